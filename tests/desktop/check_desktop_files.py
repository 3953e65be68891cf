#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Installs the desktop files and the documents of a build into a
temporary folder and checks them there as a desktop, a software centre and
a packager would find them: the validators of freedesktop and AppStream, the
icon the menu entry names in every size, the manual page describing every
option, and the entry, the AppStream data, the manual page and the program
agreeing.

check_desktop_files.py <build folder> <program> <project version>
"""
import configparser
import glob
import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run(*command):
    tool = shutil.which(command[0])
    if tool is None:
        sys.exit("%s is missing: scripts/deps.sh lists the package" % command[0])
    result = subprocess.run([tool, *command[1:]], capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def check_manual_page(path, program_path, version):
    """The page names the version and every option the program's --help lists."""
    with gzip.open(path, "rt") as f:
        page = f.read()
    check(re.search(r'^\.TH KIVRAWEBCAM 1 "\d{4}-\d\d-\d\d" "KivraWebcam %s"' %
                    re.escape(version), page, re.M), "the manual page's heading")
    code, said = run(program_path, "--help")
    options = set()
    for line in said.splitlines():
        if line.startswith("  -"):
            options.update(re.findall(r"(?<![\w-])--?[\w?][\w-]*", line.split("  ")[1]))
    check("--test-pattern" in options, "--help lists no --test-pattern: " + said)
    for option in options:
        check(option.replace("-", "\\-") in page, "the manual page lacks " + option)
    code, said = run(program_path, "--version")
    check(code == 0 and said.split() == ["KivraWebcam", version],
          "--version says %r, the project is %s" % (said, version))


def main(build, program_path, version):
    program = os.path.basename(program_path)
    root = tempfile.mkdtemp()
    try:
        share = os.path.join(root, "usr", "share")
        for component in ("desktop", "documents"):
            subprocess.run(["cmake", "--install", build, "--prefix", os.path.join(root, "usr"),
                            "--component", component], check=True, stdout=subprocess.DEVNULL)
        check_manual_page(os.path.join(share, "man", "man1", program + ".1.gz"), program_path,
                          version)
        check(os.path.isfile(os.path.join(share, "doc", program, "copyright")), "no copyright")
        entries = glob.glob(os.path.join(share, "applications", "*.desktop"))
        infos = glob.glob(os.path.join(share, "metainfo", "*.metainfo.xml"))
        if len(entries) != 1 or len(infos) != 1:
            sys.exit("want one menu entry and one metainfo file, got %s and %s" % (entries, infos))
        entry_path, info_path = entries[0], infos[0]

        # It exits 0 on errors it means to make fatal later; any word counts.
        code, said = run("desktop-file-validate", "--no-hints", entry_path)
        check(code == 0 and not said.strip(), "desktop-file-validate: " + said)
        code, said = run("appstreamcli", "validate-tree", "--strict", "--no-net", root)
        check(code == 0, "appstreamcli: " + said)
        code, said = run("appstreamcli", "validate", "--pedantic", "--no-net", info_path)
        check(code == 0, "appstreamcli --pedantic: " + said)

        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(entry_path)
        desktop = entry["Desktop Entry"]
        check(desktop["Exec"].split()[0] == program,
              "the menu entry starts %r, the program is %r" % (desktop["Exec"], program))

        icon = desktop["Icon"]
        hicolor = os.path.join(share, "icons", "hicolor")
        check(os.path.isfile(os.path.join(hicolor, "scalable", "apps", icon + ".svg")),
              "no scalable icon %r" % icon)
        for size in SIZES:
            path = os.path.join(hicolor, "%dx%d" % (size, size), "apps", icon + ".png")
            check(os.path.isfile(path) and png_size(path) == (size, size),
                  "no %d-pixel icon %r" % (size, icon))

        info = ET.parse(info_path).getroot()
        app_id = info.findtext("id")
        check(os.path.basename(entry_path) == app_id + ".desktop",
              "the menu entry %s is not named after the id %s" % (entry_path, app_id))
        check(info.findtext("launchable[@type='desktop-id']") == app_id + ".desktop",
              "the metainfo launches another entry")
        check(info.findtext("provides/binary") == program, "the metainfo provides another binary")
        check(info.find("screenshots/screenshot/image") is not None, "no screenshot")
        releases = info.findall("releases/release")
        check(releases and releases[0].get("version") == version,
              "the newest release entry is not this version, %s" % version)
    finally:
        shutil.rmtree(root)

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
