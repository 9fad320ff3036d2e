// Your photos: a show made of the visitor's photos in the page, and taken
// away. Photos come from the photo or folder chooser or are dropped on the
// page; the maker (the same as avrel-custom's, WebAssembly) makes the show
// in a worker while the show plays on, and the program plays it at once.
// "Save Avrel.scr" writes a personal saver from the shipped program the
// page carries, as avrel-custom writes it; "Save page" saves this page
// with the show in it. Nothing is sent anywhere: every byte stays here.
"use strict";

var avrelPhotos = {
  files: null,  // the photos of the show that plays, while they are at hand
  show: null,  // the personal show that plays (a packed block), or null
  worker: null,  // the maker at work
  ready: null,  // a maker waiting for a job
  module: null,  // the maker's WebAssembly, compiled (a promise)
  makerUrl: null,
  source: null,  // this page's elements as they came
  report: [],
};

// The page as the browser read it, kept before any script changes it (a
// copy of its elements costs next to nothing: their texts are shared); a
// saved page is this with a show in it.
function avrelKeepSource() {
  avrelPhotos.source = document.documentElement.cloneNode(true);
}

function avrelFromBase64(text) {
  var binary = atob(text.trim());
  var bytes = new Uint8Array(binary.length);
  for (var i = 0; i < binary.length; i++)
    bytes[i] = binary.charCodeAt(i);
  return bytes;
}

function avrelToBase64(bytes) {
  var parts = [];
  for (var at = 0; at < bytes.length; at += 32768)
    parts.push(String.fromCharCode.apply(null, bytes.subarray(at, at + 32768)));
  return btoa(parts.join(""));
}

// Copies `bytes` into the program's memory, calls `call` with their
// address and length, and frees them.
function avrelWithBytes(bytes, call) {
  var at = Module._malloc(Math.max(1, bytes.length));
  HEAPU8.set(bytes, at);
  try {
    return call(at, bytes.length);
  } finally {
    Module._free(at);
  }
}

// The program's block (avrelBlock), copied out and freed there.
function avrelTakeBlock() {
  var at = Module._avrelBlock();
  var bytes = HEAPU8.slice(at, at + Module._avrelBlockSize());
  Module._avrelFreeBlock();
  return bytes;
}

function avrelShowControls() {
  var making = avrelPhotos.worker !== null;
  var personal = avrelPhotos.show !== null;
  document.getElementById("making").hidden = !making;
  ["own", "save-scr", "save-page"].forEach(function (id) {
    document.getElementById(id).hidden = !personal || making;
  });
  document.body.classList.toggle("making", making);
}

function avrelReport(lines) {
  avrelPhotos.report = lines;
  var list = document.getElementById("report-lines");
  list.textContent = "";
  lines.forEach(function (line) {
    var item = document.createElement("div");
    item.textContent = line;
    list.appendChild(item);
  });
  document.getElementById("report").hidden = lines.length === 0;
}

// Plays `show` (a packed block) from its start; false, with the program's
// message shown, when it cannot.
function avrelPlayShow(show) {
  var message = UTF8ToString(avrelWithBytes(show, function (at, length) {
    return Module._avrelServeShow(at, length);
  }));
  if (message !== "") {
    avrelMessage(message);
    return false;
  }
  avrelPhotos.show = show;
  avrelShowControls();
  avrelWake();
  return true;
}

// A saved page plays the show it carries from its first picture on.
function avrelPlayCarriedShow() {
  var text = document.getElementById("personal-show").textContent.trim();
  if (text !== "")
    avrelPlayShow(avrelFromBase64(text));
}

function avrelInflate(bytes) {
  var stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
  return new Response(stream).arrayBuffer();
}

// The maker's WebAssembly, compiled once for every worker of the page.
function avrelMakerModule() {
  if (avrelPhotos.module === null) {
    var packed = avrelFromBase64(document.getElementById("maker-program").textContent);
    avrelPhotos.module = avrelInflate(packed).then(function (bytes) {
      return WebAssembly.compile(bytes);
    });
  }
  return avrelPhotos.module;
}

// A worker with the maker loaded, for the next job. It is made as soon as
// one is likely to come (a chooser opened, photos dragged over the page),
// so that the maker is ready by the time the photos are chosen.
function avrelReadyMaker() {
  if (avrelPhotos.ready === null) {
    if (avrelPhotos.makerUrl === null) {
      var text = document.getElementById("maker-script").textContent;
      avrelPhotos.makerUrl = URL.createObjectURL(new Blob([text], { type: "text/javascript" }));
    }
    var worker = new Worker(avrelPhotos.makerUrl);
    avrelPhotos.ready = worker;
    avrelMakerModule().then(function (module) { worker.postMessage({ module: module }); });
  }
  return avrelPhotos.ready;
}

// The maker runs one job in a worker of its own; ending the worker gives
// back all the memory the job took. One job at a time: a new one ends the
// one before.
function avrelStartMaker(job, take) {
  avrelStopMaker();
  var worker = avrelReadyMaker();
  avrelPhotos.ready = null;
  avrelPhotos.worker = worker;
  var finish = function (lines) {
    if (avrelPhotos.worker !== worker)
      return;
    avrelStopMaker();
    avrelReport(lines);
  };
  worker.onmessage = function (event) {
    if (avrelPhotos.worker !== worker)
      return;
    var m = event.data;
    if (m.kind === "failed")
      finish(["The maker stopped (" + m.why + "); the pictures that play stay."]);
    else if (m.kind === "done")
      finish(avrelPhotos.report);
    else
      take(m);
  };
  worker.onerror = function (event) {
    event.preventDefault();
    finish(["The maker could not start (" + event.message + "); the pictures that play stay."]);
  };
  avrelMakerModule().then(function () { worker.postMessage(job); }, function (error) {
    finish(["This browser cannot run the maker (" + error + "); the pictures that play stay."]);
  });
  avrelShowControls();
  avrelWakeControls();
}

function avrelStopMaker() {
  if (avrelPhotos.worker !== null) {
    avrelPhotos.worker.terminate();
    avrelPhotos.worker = null;
  }
  avrelShowControls();
}

function avrelProgress(done, total, text) {
  var progress = document.getElementById("progress");
  progress.max = Math.max(1, total);
  progress.value = done;
  document.getElementById("making-text").textContent = text;
}

// Makes a show of `files` (File objects) with the fit chosen; the show that
// plays goes on meanwhile, and stays when none of them is usable.
function avrelMakeShow(files) {
  avrelPhotos.files = files;
  Module._avrelBasePictures();
  var base = avrelTakeBlock();
  var lines = [], notes = [];
  avrelReport([]);
  avrelProgress(0, 1, "Starting the maker\u2026");
  avrelStartMaker({ kind: "make", files: files, base: base,
                    contain: document.getElementById("fit").value === "contain" }, function (m) {
    if (m.kind === "progress") {
      avrelProgress(m.done, m.total, m.done < m.total ?
                    "Photo " + m.done + " of " + m.total : "Designing the palette\u2026");
      avrelWakeControls();
    } else if (m.kind === "skipped") {
      notes.push("Skipped " + m.name + ": " + m.why);
    } else if (m.kind === "warning") {
      notes.push("Note: " + m.text);
    } else if (m.kind === "made") {
      if (avrelPlayShow(m.show))
        lines.push("Your show: " + m.slots + " pictures from " + m.photos +
                   (m.photos === 1 ? " photo." : " photos."));
    } else if (m.kind === "none") {
      var what = m.files === 1 ? "The 1 file is not" : "None of the " + m.files + " files is";
      lines.push(m.why !== "" ? "No show could be made: " + m.why + "; the pictures that play stay." :
                 what + " a usable photo; the pictures that play stay.");
    }
    avrelPhotos.report = lines.concat(notes);
  });
}

// The photos of a choice: each name once (the first), as a folder holds
// them; from a chosen folder only the files directly in it, as
// avrel-custom reads a folder.
function avrelUsePhotos(files) {
  var seen = {}, kept = [];
  files.forEach(function (file) {
    var path = file.webkitRelativePath || "";
    if (path.split("/").length > 2 || seen[file.name])
      return;
    seen[file.name] = true;
    kept.push(file);
  });
  if (kept.length === 0) {
    avrelReport(["No photos came; the pictures that play stay."]);
    return;
  }
  avrelMakeShow(kept);
}

// The files directly in a dropped folder; null when the browser does not
// let the page read it.
function avrelFolderFiles(entry) {
  return new Promise(function (resolve) {
    var reader = entry.createReader(), found = [];
    var next = function () {
      reader.readEntries(function (entries) {
        if (entries.length === 0) {
          Promise.all(found).then(resolve);
          return;
        }
        entries.forEach(function (child) {
          if (child.isFile)
            found.push(new Promise(function (done) { child.file(done, function () { done(null); }); }));
        });
        next();
      }, function () { resolve(null); });
    };
    next();
  });
}

// A program file dropped alone plays its pictures; anything else is
// photos, and a dropped folder gives the files directly in it.
function avrelDropped(transfer) {
  var files = Array.prototype.slice.call(transfer.files);
  if (files.length === 1 && /\.(scr|exe)$/i.test(files[0].name)) {
    avrelPlayFile(files[0]);
    return;
  }
  var entries = Array.prototype.map.call(transfer.items || [], function (item) {
    return item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
  });
  var waits = files.map(function (file, i) {
    var entry = entries[i];
    return entry && entry.isDirectory ? avrelFolderFiles(entry) : Promise.resolve([file]);
  });
  Promise.all(waits).then(function (lists) {
    if (lists.indexOf(null) >= 0) {
      avrelReport(["A dropped folder could not be read here; choose it with Folder\u2026 instead."]);
      return;
    }
    avrelUsePhotos([].concat.apply([], lists).filter(function (file) { return file; }));
  });
}

// Firefox and Safari drop a download whose address is revoked right after
// the click, so it stays a while.
function avrelDownload(parts, name, type) {
  var url = URL.createObjectURL(new Blob(parts, { type: type }));
  var link = document.createElement("a");
  link.href = url;
  link.download = name;
  link.hidden = true;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
}

function avrelSaveProgram() {
  avrelProgress(0, 1, "Writing Avrel.scr\u2026");
  avrelPhotos.report = [];
  var take = function (m) {
    if (m.kind === "written")
      avrelDownload([m.program], "Avrel.scr", "application/octet-stream");
    else if (m.kind === "none")
      avrelPhotos.report = ["Avrel.scr could not be written: " + m.why + "."];
  };
  var show = avrelPhotos.show;
  avrelInflate(avrelFromBase64(document.getElementById("shipped-program").textContent))
    .then(function (program) {
      avrelStartMaker({ kind: "write", show: show, program: new Uint8Array(program) }, take);
    });
}

function avrelSavePage() {
  var source = avrelPhotos.source;
  source.querySelector("#personal-show").textContent = avrelToBase64(avrelPhotos.show);
  avrelDownload(["<!DOCTYPE html>\n", source.outerHTML], "avrel.html", "text/html");
}

function avrelOwnPictures() {
  Module._avrelOwnPictures();
  avrelPhotos.show = null;
  avrelPhotos.files = null;
  avrelReport([]);
  avrelShowControls();
  avrelWake();
}

document.addEventListener("DOMContentLoaded", function () {
  var photos = document.getElementById("photos"), folder = document.getElementById("folder");
  document.getElementById("photos-button").addEventListener("click", function () {
    avrelReadyMaker();
    photos.click();
  });
  document.getElementById("folder-button").addEventListener("click", function () {
    avrelReadyMaker();
    folder.click();
  });
  document.addEventListener("dragenter", function () { avrelReadyMaker(); });
  [photos, folder].forEach(function (input) {
    input.addEventListener("change", function () {
      var files = Array.prototype.slice.call(input.files);
      input.value = "";
      if (files.length > 0)
        avrelUsePhotos(files);
    });
  });
  document.getElementById("fit").addEventListener("change", function () {
    if (avrelPhotos.files !== null)
      avrelMakeShow(avrelPhotos.files);
  });
  document.getElementById("own").addEventListener("click", avrelOwnPictures);
  document.getElementById("save-scr").addEventListener("click", avrelSaveProgram);
  document.getElementById("save-page").addEventListener("click", avrelSavePage);
  document.getElementById("report-close").addEventListener("click", function () {
    avrelReport([]);
  });
});
