// The page around the show: it puts what the program draws on the canvas,
// scales the canvas by the largest whole factor at which the stage and the
// corner logo fit the window (as avrel does), runs the control bar, plays
// the full screen as a saver (a key, a button, or a move of the pointer
// away from where it was first reported, leaves it) and hands chosen or
// dropped program files to the program.
"use strict";

var avrel = {
  // What the canvas shows, as RGBA rows; for checks and screenshots.
  read: function (x, y, w, h) {
    return avrel.context.getImageData(x, y, w, h);
  },
  // The screen the program draws: the stage centred, the corner logo
  // beyond its lower-right corner.
  width: 800,
  height: 588,
  scale: 1,
  firstFrameAt: -1,  // performance.now() of the first picture on the canvas
  saver: false,
  firstPointer: null,
  picked: 0,
};

var Module = {
  print: function (text) { console.log(text); },
  printErr: function (text) { console.warn(text); },
  avrelPresent: function (pixels, width, height, x, y, w, h) {
    if (!avrel.context || avrel.pixels !== pixels || avrel.imageData.data.buffer !== HEAPU8.buffer) {
      if (!avrel.context) {
        // Drawn through an OffscreenCanvas where there is one: its frames go
        // to the compositor straight, without a frame of the whole page each
        // time, which is most of what a canvas update costs the browser.
        var canvas = document.getElementById("stage");
        avrel.surface = canvas.transferControlToOffscreen ? canvas.transferControlToOffscreen()
                                                          : canvas;
        avrel.context = avrel.surface.getContext("2d", { alpha: false });
      }
      if (avrel.surface.width !== width || avrel.surface.height !== height) {
        avrel.surface.width = width;
        avrel.surface.height = height;
        avrel.width = width;
        avrel.height = height;
        avrelLayout();
      }
      avrel.pixels = pixels;
      avrel.imageData = new ImageData(
        new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4), width, height);
    }
    avrel.context.putImageData(avrel.imageData, 0, 0, x, y, w, h);
    if (avrel.firstFrameAt < 0 && w > 80)
      avrel.firstFrameAt = performance.now();
  },
};

// The largest whole factor at which an 800 x 588 screen fits the window in
// device pixels, at least 1; the canvas is centred, so the stage is too.
function avrelLayout() {
  var ratio = window.devicePixelRatio || 1;
  var w = Math.round(window.innerWidth * ratio);
  var h = Math.round(window.innerHeight * ratio);
  var scale = Math.max(1, Math.min(Math.floor(w / 800), Math.floor(h / 588)));
  var canvas = document.getElementById("stage");
  var cw = avrel.width * scale, ch = avrel.height * scale;
  canvas.style.width = cw / ratio + "px";
  canvas.style.height = ch / ratio + "px";
  canvas.style.left = Math.floor((w - cw) / 2) / ratio + "px";
  canvas.style.top = Math.floor((h - ch) / 2) / ratio + "px";
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
    avrelWake();
  }, function () {
    avrelMessage(file.name + ": cannot be read");
  });
}

window.addEventListener("resize", avrelLayout);

document.addEventListener("fullscreenchange", function () {
  avrel.saver = !!document.fullscreenElement;
  avrel.firstPointer = null;
  document.body.classList.toggle("saver", avrel.saver);
  if (!avrel.saver)
    avrelWakeControls();
});

// In full screen, as the saver window: the first pointer position reported
// is only remembered; any other one leaves.
window.addEventListener("pointermove", function (event) {
  if (!avrel.saver) {
    avrelWakeControls();
    return;
  }
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
  avrelLayout();
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
      avrelPlayFile(event.dataTransfer.files[0]);
  });
});
