// The camera page: plays a camera through the Veltrin plug-in's scripting API and shows what the
// plug-in reports through its events. With ?url=...&device=...&auto=1 it plays at once and runs a
// short session on its own (folders, play, an alarm, a snapshot, a few seconds of recording),
// whose outcome it keeps in window.session for whoever runs it unattended. A camera that cannot be
// reached is tried again every few seconds until it plays, so that a page left on a wall plays as
// soon as its camera is back.
(function () {
  'use strict';

  var player = document.getElementById('player');
  var query = parseQuery(window.location.search);
  var state = { playing: false, paused: false, recording: false, retry: null };
  var retrySeconds = 5;
  var session = window.session = { state: 'idle', result: '', alarms: 0, clicks: 0, fullScreenClosed: 0, steps: [] };

  function byId(id) { return document.getElementById(id); }

  function parseQuery(search) {
    var values = {};
    search.replace(/^\?/, '').split('&').forEach(function (pair) {
      if (!pair) return;
      var at = pair.indexOf('=');
      var name = at < 0 ? pair : pair.slice(0, at);
      var value = at < 0 ? '' : pair.slice(at + 1);
      values[decodeURIComponent(name)] = decodeURIComponent(value.replace(/\+/g, ' '));
    });
    return values;
  }

  function say(text) {
    console.log(text);
    byId('state').textContent = text;
  }

  // What the plug-in's "StartPlay" answer means when the camera did not play.
  function playFailure(code) {
    if (code === -1) return 'the plug-in has no window yet';
    if (code === -2) return 'no RTSP URL';
    if (code === -3) return 'the camera did not answer or refused the stream';
    if (code === -4) return 'the camera sent no video within 5 s';
    if (code === -6) return 'the H.264 decoder did not open';
    if (code <= -5000) return 'the picture cannot be drawn (renderer code ' + (code + 5000) + ')';
    return 'unknown answer';
  }

  // The answers that the camera's coming back may change: it was down or not sending yet.
  function cameraWasDown(code) { return code === -3 || code === -4; }

  function cancelRetry() {
    if (state.retry === null) return;
    window.clearTimeout(state.retry);
    state.retry = null;
  }

  function showFolders() {
    byId('snapshotFolder').textContent = player.GetSaveDirectory(0) || '(none chosen)';
    byId('recordingFolder').textContent = player.GetSaveDirectory(1) || '(none chosen)';
  }

  function showButtons() {
    byId('pause').textContent = state.paused ? 'Resume' : 'Pause';
    byId('record').textContent = state.recording ? 'Stop recording' : 'Record';
    byId('record').className = state.recording ? 'on' : '';
  }

  function addAlarm(text) {
    session.alarms += 1;
    var item = document.createElement('li');
    item.textContent = new Date().toLocaleTimeString() + '  ' + text;
    var list = byId('alarms');
    list.insertBefore(item, list.firstChild);
    console.log('alarm: ' + text);
  }

  // Each action answers the plug-in's result: 0 when it went well.
  var actions = {
    play: function () {
      cancelRetry();
      var url = byId('url').value.trim();
      if (!url) {
        say('Enter the camera\'s RTSP URL first.');
        return -1;
      }
      if (state.playing) player.StopPlay();
      player.SetRtspUrl(url);
      var result = player.StartPlay();
      state.playing = result === 0;
      state.paused = false;
      if (!state.playing) {
        var failure = 'The camera did not play (' + result + ': ' + playFailure(result) + ').';
        if (cameraWasDown(result)) {
          // The plug-in restarts a stream only once it has played: until then the page asks again.
          state.retry = window.setTimeout(function () {
            state.retry = null;
            actions.play();
          }, retrySeconds * 1000);
          failure += ' Trying again every ' + retrySeconds + ' s.';
        }
        say(failure);
        return result;
      }
      var device = byId('device').value.trim();
      if (device) player.SetServerIp(device);
      say('Playing ' + url + (device ? ', alarms from ' + device : ''));
      showButtons();
      return 0;
    },
    stop: function () {
      cancelRetry();
      if (state.recording) actions.record();
      var result = player.StopPlay();
      state.playing = false;
      state.paused = false;
      say('Stopped.');
      showButtons();
      return result;
    },
    pause: function () {
      var result = state.paused ? player.unpausePlay() : player.pausePlay();
      state.paused = !state.paused;
      say(state.paused ? 'Paused: the picture stands still.' : 'Playing again.');
      showButtons();
      return result === 1 ? 0 : result;
    },
    snapshot: function () {
      var result = player.SnapPicture();
      say(result === 0 ? 'Snapshot saved in ' + player.GetSaveDirectory(0) : 'No snapshot (' + result + ').');
      return result;
    },
    record: function () {
      var result;
      if (state.recording) {
        result = player.StopRecord();
        state.recording = false;
        say('Recording saved in ' + player.GetSaveDirectory(1));
      } else {
        result = player.StartRecord(player.GetSaveDirectory(1));
        state.recording = result === 0;
        say(state.recording ? 'Recording…' : 'Recording did not start (' + result + ').');
      }
      showButtons();
      return result;
    },
    fullscreen: function () {
      player.OpenFullScreen();
      say('Full screen: Escape or a double click returns.');
      return 0;
    },
    chooseSnapshots: function () {
      player.BrowseDirectories(0);
      showFolders();
      return 0;
    },
    chooseRecordings: function () {
      player.BrowseDirectories(1);
      showFolders();
      return 0;
    }
  };

  // The unattended session: one step after another, each waiting for what it needs.
  function runSession() {
    var deadline;
    function step(name, result) {
      session.steps.push(name + ': ' + result);
      console.log('session step ' + name + ': ' + result);
      if (result !== 0) finish('fail: ' + name + ' gave ' + result + (name === 'play' ? ' (' + playFailure(result) + ')' : ''));
      return result === 0;
    }
    function finish(result) {
      if (session.state === 'done') return;
      session.state = 'done';
      session.result = result;
      console.log('session: ' + result);
    }
    function later(seconds, next) { window.setTimeout(next, seconds * 1000); }
    function waitForAlarm() {
      if (session.alarms > 0 || !byId('device').value.trim()) return snapshot();
      if (Date.now() > deadline) return finish('fail: no alarm from the camera');
      later(0.2, waitForAlarm);
    }
    function snapshot() {
      if (!step('snapshot', actions.snapshot())) return;
      if (!step('record', actions.record())) return;
      later(4, function () {
        if (step('stop recording', actions.record())) finish('pass');
      });
    }

    session.state = 'running';
    actions.chooseSnapshots();
    actions.chooseRecordings();
    if (!step('play', actions.play())) return;
    deadline = Date.now() + 20000;
    // The first pictures need a moment to arrive; the alarm may come before or after them.
    later(2, waitForAlarm);
  }

  // The plug-in's events: browsers with NPAPI plug-ins take handlers through addEventListener,
  // Internet Explorer's control through attachEvent with "on" in front of the name.
  function listen(name, handler) {
    if (typeof player.attachEvent !== 'undefined') {
      player.attachEvent('on' + name, handler);
    } else {
      player.addEventListener(name, handler, false);
    }
  }

  function start() {
    if (typeof player.SetFunction !== 'function') {
      window.setTimeout(start, 100);  // the plug-in is not there yet
      return;
    }
    byId('version').textContent = player.Version;
    player.SetFunction(0);
    listen('alarm', addAlarm);
    listen('onMouseDownScreen', function (windowIndex, kind) {
      session.clicks += 1;
      console.log('picture ' + (kind === 1 ? 'double-clicked' : 'clicked'));
    });
    listen('onCloseFullScreen', function () {
      session.fullScreenClosed += 1;
      say('Back from full screen.');
    });
    Object.keys(actions).forEach(function (name) {
      byId(name).addEventListener('click', function () { actions[name](); }, false);
    });
    byId('url').value = query.url || '';
    byId('device').value = query.device || '';
    showFolders();
    showButtons();
    console.log('plug-in version ' + player.Version);
    if (query.auto === '1') {
      runSession();
    } else if (query.url) {
      actions.play();
    }
  }

  start();
})();
