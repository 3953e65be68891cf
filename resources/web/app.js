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
  let editing = false;
  function showPresets(presets) {
    // Built again only when they changed: a button replaced under a finger
    // would lose its tap. An open edit is not swept away under the typing.
    const seen = role + JSON.stringify(presets);
    if (seen === shownPresets || editing) return;
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
        const edit = document.createElement('button');
        edit.type = 'button';
        edit.textContent = 'Edit';
        edit.addEventListener('click', () => editPreset(item, p));
        item.append(edit, remove);
      }
      list.append(item);
    }
  }

  function field(form, label, value, mode) {
    const box = document.createElement('label');
    const input = document.createElement('input');
    input.value = value;
    input.name = label.toLowerCase();
    if (mode) input.inputMode = mode;
    box.append(label + ' ', input);
    form.append(box);
  }

  // The preset's fields in a form in its place; the station checks the
  // values as its own preset table does and says why it refuses one.
  function editPreset(item, p) {
    editing = true;
    const form = document.createElement('form');
    form.className = 'edit';
    field(form, 'Pan', p.pan, 'numeric');
    field(form, 'Tilt', p.tilt, 'numeric');
    field(form, 'Delay', p.delay, 'decimal');
    field(form, 'Name', p.name);
    const save = document.createElement('button');
    save.textContent = 'Save';
    const cancel = document.createElement('button');
    cancel.type = 'button';
    cancel.textContent = 'Cancel';
    const problem = document.createElement('p');
    problem.setAttribute('role', 'alert');
    form.append(save, cancel, problem);
    const close = () => { editing = false; shownPresets = ''; refresh(); };
    cancel.addEventListener('click', close);
    form.addEventListener('submit', (event) => {
      event.preventDefault();
      const body = {};
      for (const name of ['pan', 'tilt', 'delay', 'name']) body[name] = form.elements[name].value;
      call('POST', '/api/presets/' + p.number, body)
        .then((r) => (r.ok ? close() : r.json().then((e) => { problem.textContent = e.error; })))
        .catch(() => { problem.textContent = 'The station does not answer'; });
    });
    item.replaceChildren(form);
    form.elements.pan.focus();
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
