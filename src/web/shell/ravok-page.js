// The page around the player: it loads game.data (the program directory and
// the game, packed by `ravok --export-web`) with a loading bar, unpacks it
// into the file system, brings back what the game saved before from the
// browser's storage, starts the player, and then carries input, frames,
// dialogs, errors and sound between the browser and the player.
'use strict';

var Module = (function () {
  var body = document.body;
  var canvas = document.getElementById('screen');
  var stage = document.getElementById('stage');
  var gameId = body.dataset.gameId || 'game';
  var persistRoot = '/persist/' + gameId.replace(/[^A-Za-z0-9_.-]/g, '_');
  var scale = 1, gameWidth = canvas.width, gameHeight = canvas.height;
  var context = canvas.getContext('2d');
  var picture = null, picture32 = null;
  var started = false, soundOn = false;
  var editor = null;
  var page = {};
  var saved = {};
  window.ravokSaves = 0; // how many times saves reached the browser's storage

  function $(id) { return document.getElementById(id); }

  // ---- loading ----------------------------------------------------------

  function progress(done, total) {
    var part = total ? Math.min(1, done / total) : 0;
    $('loading-bar').style.width = Math.round(part * 100) + '%';
    $('loading-text').textContent = total ?
      Math.round(done / 1048576 * 10) / 10 + ' / ' + Math.round(total / 1048576 * 10) / 10 + ' MB' :
      'Loading…';
  }

  function fetchPack() {
    return fetch('game.data').then(function (response) {
      if (!response.ok) throw new Error('game.data: ' + response.status);
      var total = Number(response.headers.get('Content-Length')) || 0;
      if (!response.body || !response.body.getReader) return response.arrayBuffer();
      var reader = response.body.getReader(), parts = [], done = 0;
      function pump() {
        return reader.read().then(function (step) {
          if (step.done) {
            var all = new Uint8Array(done), at = 0;
            parts.forEach(function (p) { all.set(p, at); at += p.length; });
            return all.buffer;
          }
          parts.push(step.value);
          done += step.value.length;
          progress(done, total);
          return pump();
        });
      }
      return pump();
    });
  }
  var packLoaded = fetchPack();

  // The pack: "RAVOKPACK1\n", the index's length (4 bytes, little-endian),
  // the index as JSON ({"files": [{"path", "size"}]}), then the contents in
  // the index's order.
  function unpack(buffer) {
    var bytes = new Uint8Array(buffer);
    var magic = 'RAVOKPACK1\n';
    for (var i = 0; i < magic.length; ++i)
      if (bytes[i] !== magic.charCodeAt(i)) throw new Error('game.data is not a Ravok pack');
    var view = new DataView(buffer);
    var length = view.getUint32(magic.length, true);
    var at = magic.length + 4;
    var index = JSON.parse(new TextDecoder().decode(bytes.subarray(at, at + length)));
    at += length;
    index.files.forEach(function (f) {
      var folder = f.path.substring(0, f.path.lastIndexOf('/'));
      if (folder) FS.mkdirTree(folder);
      FS.writeFile(f.path, bytes.subarray(at, at + f.size));
      at += f.size;
    });
    return index;
  }

  // ---- saves ------------------------------------------------------------

  // What the game writes and must find again after a reload: every files/
  // folder of the game and the program's Kernel/Cookies.ini.
  function savedFiles() {
    var found = [];
    function walk(path, inFiles) {
      var names;
      try { names = FS.readdir(path); } catch (e) { return; }
      names.forEach(function (name) {
        if (name === '.' || name === '..') return;
        var full = path + '/' + name, st = FS.stat(full);
        if (FS.isDir(st.mode)) walk(full, inFiles || name.toLowerCase() === 'files');
        else if (inFiles) found.push({path: full, stamp: st.mtime.getTime() + ':' + st.size});
      });
    }
    walk('/game', false);
    try {
      var st = FS.stat('/ravok/Kernel/Cookies.ini');
      found.push({path: '/ravok/Kernel/Cookies.ini', stamp: st.mtime.getTime() + ':' + st.size});
    } catch (e) {}
    return found;
  }

  function restoreSaves(done) {
    FS.mkdirTree(persistRoot);
    FS.mount(IDBFS, {}, persistRoot);
    FS.syncfs(true, function () {
      function copyIn(path) {
        var names;
        try { names = FS.readdir(persistRoot + path); } catch (e) { return; }
        names.forEach(function (name) {
          if (name === '.' || name === '..') return;
          var stored = persistRoot + path + '/' + name;
          if (FS.isDir(FS.stat(stored).mode)) { FS.mkdirTree(path + '/' + name); copyIn(path + '/' + name); }
          else FS.writeFile(path + '/' + name, FS.readFile(stored));
        });
      }
      copyIn('/game');
      copyIn('/ravok');
      savedFiles().forEach(function (f) { saved[f.path] = f.stamp; });
      done();
    });
  }

  var syncing = false;
  function keepSaves() {
    if (!started || syncing) return;
    var changed = false;
    savedFiles().forEach(function (f) {
      if (saved[f.path] === f.stamp) return;
      var target = persistRoot + f.path;
      FS.mkdirTree(target.substring(0, target.lastIndexOf('/')));
      FS.writeFile(target, FS.readFile(f.path));
      saved[f.path] = f.stamp;
      changed = true;
    });
    if (!changed) return;
    syncing = true;
    FS.syncfs(false, function () { syncing = false; window.ravokSaves++; });
  }
  setInterval(keepSaves, 500);
  document.addEventListener('visibilitychange', keepSaves);
  window.addEventListener('pagehide', keepSaves);

  // ---- the canvas -------------------------------------------------------

  function fit() {
    var w = stage.clientWidth, h = stage.clientHeight;
    scale = Math.max(1, Math.floor(Math.min(w / gameWidth, h / gameHeight)));
    canvas.style.width = gameWidth * scale + 'px';
    canvas.style.height = gameHeight * scale + 'px';
    if (editor) placeEditor();
  }
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);
  $('full-screen').addEventListener('click', function () {
    if (document.fullscreenElement) document.exitFullscreen();
    else stage.requestFullscreen().catch(function () {});
    canvas.focus();
  });

  page.setGameSize = function (w, h) {
    if (w <= 0 || h <= 0) return;
    gameWidth = w; gameHeight = h;
    canvas.width = w; canvas.height = h;
    picture = null;
    fit();
  };

  // Pixels are 0xFFRRGGBB words; the canvas takes R, G, B, A bytes.
  page.present = function (pointer, stride, left, top, w, h) {
    if (w !== gameWidth || h !== gameHeight) page.setGameSize(w, h);
    if (!picture) {
      picture = context.createImageData(w, h);
      picture32 = new Uint32Array(picture.data.buffer);
    }
    var heap = HEAPU32, from = (pointer >> 2) + top * stride + left, out = picture32, j = 0;
    for (var y = 0; y < h; ++y, from += stride)
      for (var x = 0; x < w; ++x, ++j) {
        var p = heap[from + x];
        out[j] = 0xFF000000 | (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
      }
    context.putImageData(picture, 0, 0);
    window.ravokFrames = (window.ravokFrames || 0) + 1;
    // Since the page began loading: what the start-up benchmark reads.
    if (window.ravokFrames === 1) {
      window.ravokFirstFrameMs = performance.now();
      setTimeout(makeAudio, 0);
    }
  };

  page.setCursorVisible = function (visible) { canvas.classList.toggle('no-cursor', !visible); };
  page.showProblem = function (text) { $('status').textContent = text; };
  page.openAddress = function (address) {
    return window.open(address, '_blank', 'noopener') ? 1 : 1;
  };

  // ---- errors -----------------------------------------------------------

  var wholeReport = '';
  page.showError = function (headline, excerpt, trace, whole) {
    $('error-headline').textContent = headline;
    $('error-excerpt').textContent = excerpt;
    $('error-trace').textContent = trace;
    wholeReport = whole;
    $('error-overlay').hidden = false;
    console.error(whole);
  };
  $('error-copy').addEventListener('click', function () {
    if (navigator.clipboard) navigator.clipboard.writeText(wholeReport).catch(function () {});
  });
  $('error-close').addEventListener('click', function () {
    $('error-overlay').hidden = true;
    canvas.focus();
  });

  // ---- sound ------------------------------------------------------------

  // Made once the first frame is shown (or at the first key or click, if
  // that comes first): starting the browser's audio can take a good part of
  // a second, which would otherwise hold up the game's first frame. It
  // stands suspended until the first key or click; the player's sound
  // device joins it when it is there.
  function makeAudio() {
    if (Module.ravokAudio) return;
    try {
      var AudioContextClass = window.AudioContext || window.webkitAudioContext;
      if (!AudioContextClass) return;
      Module.ravokAudio = {context: new AudioContextClass({sampleRate: 44100}), node: null};
    } catch (e) {
      return;
    }
    if (Module.ravokAudioConnect) Module.ravokAudioConnect(Module.ravokAudio);
  }

  function wakeSound() {
    makeAudio();
    var audio = Module.ravokAudio;
    if (audio && audio.context.state !== 'running') audio.context.resume();
    if (audio) { soundOn = true; $('sound-note').hidden = true; }
  }

  // ---- keys and the mouse ------------------------------------------------

  function typingInDialog(e) {
    var t = e.target;
    return t && (t.tagName === 'INPUT' || t.tagName === 'TEXTAREA' || t.tagName === 'BUTTON');
  }
  window.addEventListener('keydown', function (e) {
    wakeSound();
    if (!started || typingInDialog(e)) return;
    if (e.repeat) { e.preventDefault(); return; }
    if (Module._ravok_key && Module.ccall('ravok_key', 'number', ['string', 'number'], [e.code, 1]))
      e.preventDefault();
  });
  window.addEventListener('keyup', function (e) {
    if (!started || typingInDialog(e)) return;
    Module.ccall('ravok_key', 'number', ['string', 'number'], [e.code, 0]);
  });
  window.addEventListener('blur', function () { if (started) Module._ravok_focus(0); });
  window.addEventListener('focus', function () { if (started) Module._ravok_focus(1); });

  function gamePoint(e) {
    var r = canvas.getBoundingClientRect();
    return [Math.floor((e.clientX - r.left) * gameWidth / r.width),
            Math.floor((e.clientY - r.top) * gameHeight / r.height)];
  }
  canvas.addEventListener('mousedown', function (e) {
    wakeSound();
    canvas.focus();
    if (!started) return;
    var p = gamePoint(e);
    Module._ravok_mouse(0, p[0], p[1], e.button);
    e.preventDefault();
  });
  window.addEventListener('mousemove', function (e) {
    if (!started) return;
    var p = gamePoint(e);
    Module._ravok_mouse(1, p[0], p[1], e.button);
  });
  window.addEventListener('mouseup', function (e) {
    if (!started) return;
    var p = gamePoint(e);
    Module._ravok_mouse(2, p[0], p[1], e.button);
  });
  canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });

  // ---- dialogs ----------------------------------------------------------

  var layer = $('dialog-layer');
  // "&Yes" as a button shows it: "Yes"; "&&" is a plain "&".
  function label(text) { return text.replace(/&(&?)/g, function (m, a) { return a ? '&' : ''; }); }
  function element(tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined) e.textContent = text;
    return e;
  }
  function dialog(caption, onClose) {
    var box = element('div', 'dialog');
    var bar = element('div', 'caption');
    bar.appendChild(element('span', '', caption));
    var close = element('button', '', '×');
    close.type = 'button';
    close.addEventListener('click', onClose);
    bar.appendChild(close);
    box.appendChild(bar);
    var inner = element('div', 'body');
    box.appendChild(inner);
    layer.appendChild(box);
    return {box: box, body: inner};
  }
  function closeDialog(d) { if (d.box.parentNode) d.box.parentNode.removeChild(d.box); canvas.focus(); }

  var inputDialog = null, selectDialog = null;
  page.showInputBox = function (caption, prompt, text) {
    if (inputDialog) closeDialog(inputDialog);
    var d = inputDialog = dialog(caption, function () { answer(0); });
    d.body.appendChild(element('div', 'message', prompt));
    var field = element('input');
    field.type = 'text';
    field.value = text;
    d.body.appendChild(field);
    var buttons = element('div', 'buttons');
    var ok = element('button', '', 'OK'), cancel = element('button', '', 'Cancel');
    buttons.appendChild(ok); buttons.appendChild(cancel);
    d.body.appendChild(buttons);
    function answer(isOk) {
      Module.ccall('ravok_input_answer', null, ['number', 'string'], [isOk, field.value]);
      closeDialog(d);
      if (inputDialog === d) inputDialog = null;
    }
    ok.addEventListener('click', function () { answer(1); });
    cancel.addEventListener('click', function () { answer(0); });
    field.addEventListener('keydown', function (e) {
      if (e.isComposing) return;
      if (e.key === 'Enter') { e.preventDefault(); answer(1); }
      if (e.key === 'Escape') { e.preventDefault(); answer(0); }
    });
    field.focus();
    field.select();
  };

  page.showSelectBox = function (caption, message, buttons) {
    if (selectDialog) closeDialog(selectDialog);
    var d = selectDialog = dialog(caption, function () { answer(0); });
    d.body.appendChild(element('div', 'message', message));
    var row = element('div', 'buttons');
    function answer(tag) {
      Module.ccall('ravok_select_answer', null, ['number'], [tag]);
      closeDialog(d);
      if (selectDialog === d) selectDialog = null;
    }
    var first = null;
    buttons.forEach(function (text, i) {
      if (!text) return;
      var b = element('button', '', label(text));
      b.type = 'button';
      b.addEventListener('click', function () { answer(i + 1); });
      row.appendChild(b);
      if (!first) first = b;
    });
    d.body.appendChild(row);
    d.box.addEventListener('keydown', function (e) {
      if (e.key === 'Escape') { e.preventDefault(); answer(0); }
    });
    if (first) first.focus();
  };

  // The text editor lies over the game screen, scaled with it.
  var editorPlace = null;
  function placeEditor() {
    var r = canvas.getBoundingClientRect(), s = stage.getBoundingClientRect(), p = editorPlace;
    editor.style.left = (r.left - s.left + p.x * scale) + 'px';
    editor.style.top = (r.top - s.top + p.y * scale) + 'px';
    editor.style.width = p.w * scale + 'px';
    editor.style.height = p.h * scale + 'px';
    editor.style.fontSize = Math.round(p.size * 96 / 72 * scale) + 'px';
  }
  page.showTextEditor = function (x, y, w, h, single, size, text) {
    page.hideTextEditor();
    editor = element(single ? 'input' : 'textarea', 'editor');
    if (single) editor.type = 'text';
    editor.value = text;
    editorPlace = {x: x, y: y, w: w, h: h, size: size};
    layer.appendChild(editor);
    placeEditor();
    var field = editor;
    function send(kind) {
      Module.ccall('ravok_editor_event', null, ['number', 'string'], [kind, field.value]);
    }
    field.addEventListener('input', function () { send(0); });
    field.addEventListener('keydown', function (e) {
      if (e.isComposing) return;
      if (e.key === 'Enter' && single) { e.preventDefault(); send(1); }
      if (e.key === 'Escape') { e.preventDefault(); send(2); }
    });
    field.addEventListener('blur', function () { if (editor === field) send(3); });
    field.focus();
  };
  page.setEditorText = function (text) { if (editor) editor.value = text; };
  page.hideTextEditor = function () {
    if (!editor) return;
    var gone = editor;
    editor = null;
    if (gone.parentNode) gone.parentNode.removeChild(gone);
    canvas.focus();
  };

  // ---- start ------------------------------------------------------------

  // When each step of the start ended, in ms since the page began loading.
  var steps = window.ravokStartSteps = {};
  packLoaded.then(function () { steps.downloaded = performance.now(); });

  function start() {
    steps.runtime = performance.now();
    packLoaded.then(function (buffer) {
      unpack(buffer);
      steps.unpacked = performance.now();
      restoreSaves(function () {
        steps.restored = performance.now();
        $('loading').hidden = true;
        started = true;
        canvas.focus();
        fit();
        var args = [body.dataset.start];
        if (/[?&]log\b/.test(location.search)) args.push('--log');
        Module.callMain(args);
      });
    }).catch(function (e) {
      $('loading-text').textContent = String(e.message || e);
    });
  }

  return {
    ravokPage: page,
    canvas: canvas,
    noInitialRun: true,
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    onRuntimeInitialized: start,
  };
})();
