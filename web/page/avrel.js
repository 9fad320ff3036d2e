// The page around the show: it puts what the program draws on the canvases,
// scales them by the largest whole factor at which the stage and the
// corner logo fit the window (as avrel does), runs the control bar, plays
// the full screen as a saver (a key, a button, or a move of the pointer
// away from where it was first reported, leaves it) and hands chosen or
// dropped program files to the program; the visitor's photos are
// photos.js's. Where the show draws comes from show/StageGeometry.h, put in
// the page before this script as `avrelGeometry`
// (tools/build/make_web_page.py).
"use strict";

var avrel = {
  // The screen the program draws: the stage centred, the corner logo
  // beyond its lower-right corner. Only those two areas ever change, and
  // each has a canvas of its own: every canvas update costs the browser a
  // copy of the whole canvas, so the logo's updates stay small.
  width: avrelGeometry.fullViewWidth,
  height: avrelGeometry.fullViewHeight,
  areas: [],  // { box: [x, y, w, h] on the screen, canvas, surface, context }
  scale: 1,
  saver: false,
  firstPointer: null,
  // Until then, pointer reports are the browser's own, made while it grows
  // the window to the screen (Chromium reports a made-up position once
  // more after the change), and are let pass.
  settledAt: 0,
  picked: 0,
  playing: null,  // the folder of the program file that plays
  // What the screen shows (x, y, w, h), as the canvases hold it; black
  // outside them, as the page is.
  read: function (x, y, w, h) {
    var out = new ImageData(w, h);
    for (var p = 3; p < out.data.length; p += 4)
      out.data[p] = 255;
    avrel.areas.forEach(function (area) {
      var b = area.box;
      var left = Math.max(x, b[0]), top = Math.max(y, b[1]);
      var right = Math.min(x + w, b[0] + b[2]), bottom = Math.min(y + h, b[1] + b[3]);
      if (right <= left || bottom <= top)
        return;
      var part = area.context.getImageData(left - b[0], top - b[1], right - left, bottom - top);
      for (var row = 0; row < bottom - top; row++)
        out.data.set(part.data.subarray(row * part.width * 4, (row + 1) * part.width * 4),
                     ((top - y + row) * w + (left - x)) * 4);
    });
    return out;
  },
};

// The areas on a screen of width x height: the stage centred as the show
// places it (offsets truncated toward zero), the logo at its lower right.
function avrelAreas(width, height) {
  var g = avrelGeometry;
  var x = Math.trunc((width - g.stageWidth) / 2), y = Math.trunc((height - g.stageHeight) / 2);
  return [{ id: "stage", box: [x, y, g.stageWidth, g.stageHeight] },
          { id: "logo", box: [x + g.stageWidth, y + g.stageHeight, g.cornerLogoWidth,
                              g.cornerLogoHeight] }];
}

function avrelSetUp(width, height) {
  avrel.width = width;
  avrel.height = height;
  avrel.areas = avrelAreas(width, height).map(function (area) {
    var canvas = document.getElementById(area.id);
    canvas.width = area.box[2];
    canvas.height = area.box[3];
    // Drawn through an OffscreenCanvas where there is one: its frames go to
    // the compositor straight, without a frame of the whole page each time.
    var surface = canvas.transferControlToOffscreen ? canvas.transferControlToOffscreen() : canvas;
    return { box: area.box, canvas: canvas, surface: surface,
             context: surface.getContext("2d", { alpha: false }) };
  });
  avrelLayout();
}

var Module = {
  print: function (text) { console.log(text); },
  printErr: function (text) { console.warn(text); },
  // Before the show starts: a saved page plays its own show from the start.
  onRuntimeInitialized: function () { avrelPlayCarriedShow(); },
  avrelPresent: function (pixels, width, height, x, y, w, h) {
    if (avrel.areas.length === 0)
      avrelSetUp(width, height);
    if (avrel.pixels !== pixels || avrel.imageData.data.buffer !== HEAPU8.buffer) {
      avrel.pixels = pixels;
      avrel.imageData = new ImageData(
        new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4), width, height);
    }
    avrel.areas.forEach(function (area) {
      var b = area.box;
      var left = Math.max(x, b[0]), top = Math.max(y, b[1]);
      var right = Math.min(x + w, b[0] + b[2]), bottom = Math.min(y + h, b[1] + b[3]);
      if (right > left && bottom > top)
        area.context.putImageData(avrel.imageData, -b[0], -b[1], left, top, right - left,
                                  bottom - top);
    });
  },
};

// The largest whole factor at which a screen of the full view fits the
// window in device pixels, at least 1; the screen is centred, so the stage
// is too.
function avrelLayout() {
  var ratio = window.devicePixelRatio || 1;
  var w = Math.round(window.innerWidth * ratio);
  var h = Math.round(window.innerHeight * ratio);
  var scale = Math.max(1, Math.min(Math.floor(w / avrelGeometry.fullViewWidth),
                                   Math.floor(h / avrelGeometry.fullViewHeight)));
  var sw = avrel.width * scale, sh = avrel.height * scale;
  var left = Math.floor((w - sw) / 2), top = Math.floor((h - sh) / 2);
  var screen = document.getElementById("screen");
  screen.style.left = left / ratio + "px";
  screen.style.top = top / ratio + "px";
  screen.style.width = sw / ratio + "px";
  screen.style.height = sh / ratio + "px";
  avrel.areas.forEach(function (area) {
    var b = area.box, style = area.canvas.style;
    style.left = b[0] * scale / ratio + "px";
    style.top = b[1] * scale / ratio + "px";
    style.width = b[2] * scale / ratio + "px";
    style.height = b[3] * scale / ratio + "px";
  });
  avrel.scale = scale;
  document.body.dataset.scale = String(scale);
}

function avrelMessage(text) {
  document.getElementById("message").textContent = text;
  clearTimeout(avrel.messageTimer);
  if (text)
    avrel.messageTimer = setTimeout(function () { avrelMessage(""); }, 8000);
}

// The bar shows while the pointer moves and fades after a few quiet seconds.
function avrelWakeControls() {
  var bar = document.getElementById("controls");
  bar.classList.remove("faded");
  clearTimeout(avrel.fadeTimer);
  avrel.fadeTimer = setTimeout(function () { bar.classList.add("faded"); }, 3000);
}

// The program sleeps until its threads are due; work from the page wakes it
// (from a task of its own, never from inside a call into the program).
function avrelWake() {
  setTimeout(function () {
    if (Module.avrelWake)
      Module.avrelWake();
  }, 0);
}

function avrelLeaveSaver() {
  if (document.fullscreenElement)
    document.exitFullscreen().catch(function () {});
}

function avrelPlayFile(file) {
  file.arrayBuffer().then(function (bytes) {
    // Each file in a folder of its own, so that its name stays its own and
    // the message names it as `avrel -scr NAME` would.
    var dir = "/picked/" + (++avrel.picked);
    if (avrel.picked === 1)
      FS.mkdir("/picked");
    FS.mkdir(dir);
    FS.chdir(dir);
    FS.writeFile(file.name, new Uint8Array(bytes));
    // Called directly: ccall would take the program's sleep for its own.
    var size = lengthBytesUTF8(file.name) + 1;
    var name = Module._malloc(size);
    stringToUTF8(file.name, name, size);
    var message = UTF8ToString(Module._avrelOpenProgramFile(name));
    Module._free(name);
    avrelMessage(message);
    // The program keeps what it read; only the file that plays stays here,
    // because a file refused later sends the program back to it.
    var refused = message !== "";
    var gone = refused ? dir : avrel.playing;
    if (!refused) {
      avrel.playing = dir;
      // It plays its own pictures, not the visitor's photos.
      avrelPhotos.show = avrelPhotos.files = null;
      avrelShowControls();
    }
    if (gone) {
      FS.readdir(gone).forEach(function (entry) {
        if (entry !== "." && entry !== "..")
          FS.unlink(gone + "/" + entry);
      });
      FS.chdir("/");
      FS.rmdir(gone);
    }
    avrelWake();
  }, function () {
    avrelMessage(file.name + ": cannot be read");
  });
}

window.addEventListener("resize", avrelLayout);

document.addEventListener("fullscreenchange", function () {
  avrel.saver = !!document.fullscreenElement;
  avrel.firstPointer = null;
  avrel.settledAt = performance.now() + 500;
  document.body.classList.toggle("saver", avrel.saver);
  if (!avrel.saver)
    avrelWakeControls();
});

// In full screen, as the saver window: the first pointer position reported
// once the window has settled is only remembered; any other one leaves.
window.addEventListener("pointermove", function (event) {
  if (!avrel.saver) {
    avrelWakeControls();
    return;
  }
  if (performance.now() < avrel.settledAt)
    return;
  if (avrel.firstPointer === null) {
    avrel.firstPointer = { x: event.clientX, y: event.clientY };
    return;
  }
  if (event.clientX !== avrel.firstPointer.x || event.clientY !== avrel.firstPointer.y)
    avrelLeaveSaver();
}, true);

window.addEventListener("pointerdown", function (event) {
  if (avrel.saver) {
    event.preventDefault();
    avrelLeaveSaver();
  }
}, true);

window.addEventListener("keydown", function (event) {
  if (avrel.saver) {
    event.preventDefault();
    avrelLeaveSaver();
  }
}, true);

document.addEventListener("DOMContentLoaded", function () {
  // The program may have drawn already; a canvas is handed over only once.
  if (avrel.areas.length === 0)
    avrelSetUp(avrel.width, avrel.height);
  avrelWakeControls();
  document.getElementById("fullscreen").addEventListener("click", function () {
    document.documentElement.requestFullscreen().catch(function () {
      avrelMessage("The browser did not allow full screen.");
    });
  });
  var pause = document.getElementById("pause");
  pause.addEventListener("click", function () {
    var hold = !Module._avrelHeld();
    Module._avrelHold(hold ? 1 : 0);
    pause.textContent = hold ? "Play" : "Pause";
    avrelWake();
  });
  var input = document.getElementById("file");
  document.getElementById("choose").addEventListener("click", function () { input.click(); });
  input.addEventListener("change", function () {
    if (input.files.length > 0)
      avrelPlayFile(input.files[0]);
    input.value = "";
  });
  document.addEventListener("dragover", function (event) { event.preventDefault(); });
  document.addEventListener("drop", function (event) {
    event.preventDefault();
    if (event.dataTransfer.files.length > 0)
      avrelDropped(event.dataTransfer);
  });
});
