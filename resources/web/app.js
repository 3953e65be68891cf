'use strict';
// The station's page: every text from the station goes in through
// textContent, never as markup.
(function () {
  let csrf = '';
  let role = '';
  let frameNumber = 0;
  let framesRunning = false;
  let stateTimer = 0;
  const $ = (id) => document.getElementById(id);

  function call(method, path, body) {
    const headers = {};
    if (method === 'POST') {
      headers['Content-Type'] = 'application/json';
      headers['X-CSRF-Token'] = csrf;
    }
    return fetch(path, {
      method, headers, credentials: 'same-origin', cache: 'no-store',
      body: method === 'POST' ? JSON.stringify(body || {}) : undefined,
    }).then((reply) => {
      if (reply.status === 401 && path !== '/api/login') showLogin();
      return reply;
    });
  }

  function showLogin() {
    csrf = '';
    framesRunning = false;
    clearInterval(stateTimer);
    $('station').hidden = true;
    $('login').hidden = false;
  }

  function showStation() {
    $('login').hidden = true;
    $('station').hidden = false;
    for (const el of document.querySelectorAll('.admin')) el.hidden = role !== 'admin';
    clearInterval(stateTimer);
    stateTimer = setInterval(refresh, 1000);
    refresh();
    if (!framesRunning) {
      framesRunning = true;
      nextFrame();
    }
  }

  function refresh() {
    call('GET', '/api/state').then((r) => (r.ok ? r.json() : null)).then((s) => {
      if (!s) return;
      if (s.csrf) csrf = s.csrf;
      if (s.role !== role) {
        role = s.role;
        showStation();
      }
      $('status').textContent = s.status;
      $('upload').textContent = s.lastUpload;
      $('pan').textContent = String(s.pan);
      $('tilt').textContent = String(s.tilt);
      $('role').textContent = s.role;
      for (const b of document.querySelectorAll('[data-mode]'))
        b.setAttribute('aria-pressed', String(b.dataset.mode === s.mode));
      showPresets(s.presets);
    }).catch(() => {});
  }

  let shownPresets = '';
  function showPresets(presets) {
    // Built again only when they changed: a button replaced under a finger
    // would lose its tap.
    const seen = role + JSON.stringify(presets);
    if (seen === shownPresets) return;
    shownPresets = seen;
    const list = $('presets');
    list.replaceChildren();
    for (const p of presets) {
      const item = document.createElement('li');
      const go = document.createElement('button');
      go.type = 'button';
      go.textContent = 'Go';
      go.addEventListener('click', () => call('POST', '/api/presets/' + p.number + '/go').then(refresh));
      const text = document.createElement('span');
      text.textContent = p.number + ': ' + p.pan + ' / ' + p.tilt + ', ' + p.delay + ' s' +
        (p.name ? ' · ' + p.name : '');
      item.append(go, text);
      if (role === 'admin') {
        const remove = document.createElement('button');
        remove.type = 'button';
        remove.textContent = 'Delete';
        remove.addEventListener('click', () => {
          if (confirm('Delete preset ' + p.number + '?'))
            call('POST', '/api/presets/' + p.number + '/delete').then(refresh);
        });
        item.append(remove);
      }
      list.append(item);
    }
  }

  function nextFrame() {
    if (!framesRunning) return;
    call('GET', '/api/frame?after=' + frameNumber).then((r) => {
      if (r.status === 200) {
        frameNumber = Number(r.headers.get('X-Frame-Sequence')) || 0;
        return r.blob().then((blob) => {
          const img = $('picture');
          const old = img.src;
          img.onload = () => { if (old) URL.revokeObjectURL(old); nextFrame(); };
          img.onerror = () => setTimeout(nextFrame, 1000);
          img.src = URL.createObjectURL(blob);
        });
      }
      if (r.status === 401) return undefined;
      setTimeout(nextFrame, r.status === 204 ? 0 : 1000);
      return undefined;
    }).catch(() => setTimeout(nextFrame, 2000));
  }

  $('login').addEventListener('submit', (event) => {
    event.preventDefault();
    call('POST', '/api/login', { user: $('user').value, password: $('password').value })
      .then((r) => r.json().then((body) => ({ r, body })))
      .then(({ r, body }) => {
        $('password').value = '';
        if (!r.ok) {
          $('loginError').textContent = body.error || 'Sign-in failed';
          return;
        }
        $('loginError').textContent = '';
        csrf = body.csrf;
        role = body.role;
        showStation();
      }).catch(() => { $('loginError').textContent = 'The station does not answer'; });
  });

  $('picture').addEventListener('click', (event) => {
    if (role !== 'admin') return;
    const box = event.currentTarget.getBoundingClientRect();
    const x = Math.min(1, Math.max(0, (event.clientX - box.left) / box.width));
    const y = Math.min(1, Math.max(0, (event.clientY - box.top) / box.height));
    call('POST', '/api/point', { x, y }).then(refresh);
  });
  for (const b of document.querySelectorAll('[data-mode]'))
    b.addEventListener('click', () => call('POST', '/api/mode', { mode: b.dataset.mode }).then(refresh));
  $('send').addEventListener('click', () => call('POST', '/api/send').then(refresh));
  $('addPreset').addEventListener('click', () => call('POST', '/api/presets').then(refresh));
  $('logout').addEventListener('click', () => call('POST', '/api/logout').then(showLogin));

  call('GET', '/api/state').then((r) => (r.ok ? r.json() : null)).then((s) => {
    if (!s) { showLogin(); return; }
    csrf = s.csrf || '';
    role = s.role;
    showStation();
  }).catch(showLogin);
})();
