#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The web remote's page in a real browser at a phone's size.

Runs the station program (a copy, so its preset file is this test's own)
with the web remote on and its mount on a pseudo-terminal, then drives
headless Chromium through chromedriver: sign in, see the live picture, tap
it and read the mount's bytes on the line, call a preset, check that a
preset's name that looks like markup shows as text, and edit the preset.

Arguments: the program, the folder to work in.
"""
import os
import select
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

PASSWORD = 'lighthouse keeper'
MARKUP_NAME = '<img src=x onerror=alert(1)>'


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def prepare(program, folder, line):
    station = os.path.join(folder, 'station')
    os.makedirs(station)
    copy = shutil.copy(program, station)
    subprocess.run([copy, '--web-password', 'admin'], input=PASSWORD + '\n', text=True, check=True)
    db = sqlite3.connect(os.path.join(station, 'Pivora.mdb'))
    db.execute('CREATE TABLE LineEntry (Pan REAL, Tilt REAL, Delay REAL, FileName TEXT, '
               'ID INTEGER PRIMARY KEY AUTOINCREMENT)')
    db.execute('INSERT INTO LineEntry (Pan, Tilt, Delay, FileName) VALUES (12, 7, 5, ?)',
               (MARKUP_NAME,))
    db.commit()
    db.close()
    port = free_port()
    conf = os.path.join(os.environ['XDG_CONFIG_HOME'], 'KivraWebcam', 'KivraWebcam.conf')
    with open(conf) as f:
        stored = f.read()
    with open(conf, 'w') as f:
        f.write('[Ports]\nCOM1=%s\n\n[Settings]\nCom1=True\nManual=True\nPicture=True\n\n' % line)
        f.write(stored.replace('[Web]\n', '[Web]\nEnabled=True\nPort=%d\n' % port))
    return copy, port


def wait_for_port(port, limit=120):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        try:
            socket.create_connection(('127.0.0.1', port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.2)
    raise SystemExit('the web remote never listened on %d' % port)


def read_line(master, count, limit=10):
    got = b''
    end = time.monotonic() + limit
    while len(got) < count and time.monotonic() < end:
        if select.select([master], [], [], 0.1)[0]:
            got += os.read(master, 64)
    return got


def browser():
    options = webdriver.ChromeOptions()
    for argument in ('--headless=new', '--no-sandbox', '--ignore-certificate-errors',
                     '--disable-gpu'):
        options.add_argument(argument)
    options.add_experimental_option('mobileEmulation', {
        'deviceMetrics': {'width': 360, 'height': 640, 'pixelRatio': 2, 'touch': True}})
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)


def drive(port, master):
    d = browser()
    wait = WebDriverWait(d, 60)
    text = lambda id_: d.find_element(By.ID, id_).text
    try:
        d.get('https://127.0.0.1:%d/' % port)
        wait.until(lambda d: d.find_element(By.ID, 'login').is_displayed())
        d.find_element(By.ID, 'password').send_keys(PASSWORD)
        d.find_element(By.CSS_SELECTOR, '#login button').click()
        wait.until(lambda d: d.find_element(By.ID, 'station').is_displayed())
        wait.until(lambda d: d.execute_script(
            "return document.getElementById('picture').naturalWidth") > 0)
        wait.until(lambda d: 'admin signed in' in text('status'))
        assert d.execute_script('return document.documentElement.scrollWidth') <= 360

        # A tap a quarter of the way in from the left and the top: the pad's
        # 6.07 and 5.23 units, floored.
        picture = d.find_element(By.ID, 'picture')
        webdriver.ActionChains(d).move_to_element_with_offset(
            picture, -picture.size['width'] // 4, -picture.size['height'] // 4).click().perform()
        assert read_line(master, 6) == b'A6\rB5\r'
        wait.until(lambda d: (text('pan'), text('tilt')) == ('6', '5'))

        item = wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, '#presets li'))[0]
        assert MARKUP_NAME in item.text, item.text
        assert not d.find_elements(By.CSS_SELECTOR, '#presets img')
        item.find_element(By.TAG_NAME, 'button').click()
        assert read_line(master, 7) == b'A12\rB7\r'
        wait.until(lambda d: (text('pan'), text('tilt')) == ('12', '7'))

        # Edited in place: a pan the table cannot hold is refused with its
        # reason, a good one shows in the list.
        first = lambda d: d.find_elements(By.CSS_SELECTOR, '#presets li')[0]
        next(b for b in first(d).find_elements(By.TAG_NAME, 'button')
             if b.text == 'Edit').click()
        pan = wait.until(lambda d: d.find_element(By.CSS_SELECTOR, 'form.edit input[name=pan]'))
        pan.clear()
        pan.send_keys('40000')
        d.find_element(By.CSS_SELECTOR, 'form.edit button').click()
        wait.until(lambda d: 'Pan' in d.find_element(By.CSS_SELECTOR, 'form.edit p').text)
        pan.clear()
        pan.send_keys('15')
        d.find_element(By.CSS_SELECTOR, 'form.edit button').click()
        shown = "return document.querySelector('#presets li').textContent"
        wait.until(lambda d: '1: 15 / 7,' in d.execute_script(shown) and
                   MARKUP_NAME in d.execute_script(shown))
        for button in d.find_elements(By.TAG_NAME, 'button'):
            if button.is_displayed():
                assert button.size['height'] >= 44 and button.size['width'] >= 44, button.text
    finally:
        d.quit()


def main():
    program, folder = sys.argv[1], sys.argv[2]
    master, slave = os.openpty()
    copy, port = prepare(program, folder, os.ttyname(slave))
    station = subprocess.Popen([copy, '--test-pattern'])
    try:
        wait_for_port(port)
        drive(port, master)
    finally:
        station.send_signal(signal.SIGTERM)
        station.wait(60)
    print('web page checked')


if __name__ == '__main__':
    main()
