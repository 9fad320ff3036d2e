// Your photos: a show made of the visitor's photos in the page, and taken
// away. Photos come from the photo or folder chooser or are dropped on the
// page; the maker (the same as avrel-custom's, WebAssembly) makes the show
// in workers while the show plays on, and the program plays it at once.
// "Save Avrel.scr" writes a personal saver from the shipped program the
// page carries, as avrel-custom writes it; "Save page" saves this page
// with the show in it. Nothing is sent anywhere: every byte stays here.
"use strict";

var avrelPhotos = {
  // The photos of the show that plays, while they are at hand: { name, data:
  // a File }, named as in the folder ("day 1/a.jpg" in a sub-folder).
  files: null,
  show: null,  // the personal show that plays (a packed block), or null
  workers: [],  // the makers at work
  ready: [],  // makers waiting for a job
  module: null,  // the maker's WebAssembly, compiled (a promise)
  faces: null,  // the lettering's faces, inflated: { name, data: a Blob } (a promise)
  makerUrl: null,
  source: null,  // this page's elements as they came
  // The words the show that plays was made with (as avrelWords gives them);
  // a saved page carries them with its show, for the name of its saver.
  words: { text: "", shuffle: false, seed: 0 },
};

// The words set in the panel as the lines of a words file (avrel-custom's
// --words), and the photos' order: shuffled, a new order each time, with
// the seed that gives it again.
function avrelWords() {
  var form = document.getElementById("words"), lines = [];
  Array.prototype.forEach.call(form.querySelectorAll("input:not([type])"), function (field) {
    var text = field.value.trim();
    if (text !== "")
      lines.push(field.name + ": " + text);
  });
  var shuffle = form.elements.shuffle.checked;
  var seed = 0;
  if (shuffle) {
    var drawn = new Uint32Array(1);
    crypto.getRandomValues(drawn);
    seed = drawn[0];
  }
  return { text: lines.join("\n") + "\n", shuffle: shuffle, seed: seed };
}

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
  var making = avrelPhotos.workers.length > 0;
  var personal = avrelPhotos.show !== null;
  document.getElementById("making").hidden = !making;
  ["own", "save-scr", "save-page"].forEach(function (id) {
    document.getElementById(id).hidden = !personal || making;
  });
  document.body.classList.toggle("making", making);
}

function avrelReport(lines) {
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
  var carried = document.getElementById("personal-show");
  var text = carried.textContent.trim();
  if (text !== "" && avrelPlayShow(avrelFromBase64(text)))
    avrelPhotos.words.text = carried.dataset.words || "";
}

// A browser without DecompressionStream (or WebAssembly SIMD, below)
// cannot run the maker: the promise fails, and the page says so.
function avrelInflate(bytes) {
  return Promise.resolve().then(function () {
    var stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
    return new Response(stream).arrayBuffer();
  });
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

// The faces the page carries for the maker's lettering, inflated once.
function avrelFaces() {
  if (avrelPhotos.faces === null) {
    var faces = Array.prototype.map.call(document.querySelectorAll("script.face"), function (face) {
      return avrelInflate(avrelFromBase64(face.textContent)).then(function (bytes) {
        return { name: face.dataset.name, data: new Blob([bytes]) };
      });
    });
    avrelPhotos.faces = Promise.all(faces);
  }
  return avrelPhotos.faces;
}

// Workers with the maker loaded, for the next job. They are made as soon
// as one is likely to come (a chooser opened, photos dragged over the
// page), so that the maker is ready by the time the photos are chosen.
// Photos are fitted by as many at once as avrel-custom fits (two, where
// the browser lends the page two cores).
function avrelFitters() {
  return Math.max(1, Math.min(2, navigator.hardwareConcurrency || 1));
}

function avrelReadyMakers(count) {
  count = count || avrelFitters();
  if (avrelPhotos.makerUrl === null) {
    var text = document.getElementById("maker-script").textContent;
    avrelPhotos.makerUrl = URL.createObjectURL(new Blob([text], { type: "text/javascript" }));
  }
  while (avrelPhotos.ready.length < count) {
    var worker = new Worker(avrelPhotos.makerUrl);
    avrelPhotos.ready.push(worker);
    avrelPost(worker, { module: avrelMakerModule() });
  }
  return avrelPhotos.ready;
}

// Posts once the maker is compiled (a module in `message` is sent compiled)
// and, for a job's first step, the faces are inflated.
function avrelPost(worker, message, transfer) {
  var faces = message.kind === "share" ? avrelFaces() : Promise.resolve(null);
  Promise.all([avrelMakerModule(), faces]).then(function (ready) {
    if (message.module)
      message.module = ready[0];
    if (ready[1])
      message.faces = ready[1];
    worker.postMessage(message, transfer || []);
  }, function () {});
}

// Runs one job in `count` workers of its own (ending them gives back all
// the memory the job took); take(index of the worker, message) is given
// what they say but their end. One job at a time: a new one ends the one
// before.
function avrelStartMakers(count, take) {
  avrelStopMaker();
  var workers = avrelReadyMakers(count).splice(0, count);
  avrelPhotos.workers = workers;
  workers.forEach(function (worker, index) {
    worker.onmessage = function (event) {
      if (avrelPhotos.workers !== workers)
        return;
      var m = event.data;
      if (m.kind === "failed")
        avrelEndJob(["The maker stopped (" + m.why + "); the pictures that play stay."]);
      else
        take(index, m);
    };
    worker.onerror = function (event) {
      event.preventDefault();
      avrelEndJob(["The maker could not start (" + event.message + "); the pictures that play stay."]);
    };
  });
  avrelMakerModule().catch(function (error) {
    avrelEndJob(["This browser cannot run the maker (" + error + "); the pictures that play stay."]);
  });
  avrelShowControls();
  avrelWakeControls();
  return workers;
}

function avrelStopMaker() {
  avrelPhotos.workers.forEach(function (worker) { worker.terminate(); });
  avrelPhotos.workers = [];
  avrelShowControls();
}

function avrelEndJob(lines) {
  avrelStopMaker();
  avrelReport(lines);
}

function avrelProgress(done, total, text) {
  var progress = document.getElementById("progress");
  progress.max = Math.max(1, total);
  progress.value = done;
  document.getElementById("making-text").textContent = text;
}

// Makes a show of `files` (as avrelPhotos.files) with the fit chosen; the
// show that plays goes on meanwhile, and stays when none of them is
// usable. The workers fit their shares of the pictures round by round (a
// round after one that refused a photo fits the pictures given another),
// and the first makes the show with every picture fitted.
function avrelMakeShow(files) {
  avrelPhotos.files = files;
  Module._avrelBasePictures();
  var base = avrelTakeBlock();
  var contain = document.getElementById("fit").value === "contain";
  var words = avrelWords();
  var lines = [], notes = [];
  var before = { done: 0, total: 0 }, now = [], fitted = [], rounds = 0, finishing = false;
  avrelReport([]);
  avrelProgress(0, 1, "Starting the maker\u2026");
  var workers = avrelStartMakers(avrelFitters(), function (index, m) {
    if (m.kind === "progress" && !finishing) {
      now[index] = m;
      var done = before.done, total = before.total, told = 0;
      now.forEach(function (p) { done += p.done; total += p.total; ++told; });
      // The whole is known once every worker has told its share; one slow
      // to start must not make the bar claim a part as the whole.
      if (told === workers.length)
        avrelProgress(done, total, "Photo " + done + " of " + total);
      else if (done > 0)
        avrelProgress(0, 1, "Photo " + done + "\u2026");
      avrelWakeControls();
    } else if (m.kind === "fitted") {
      fitted[index].push(m.fitted);
    } else if (m.kind === "round" && ++rounds === workers.length) {
      nextStep();
    } else if (m.kind === "skipped") {
      notes.push("Skipped " + m.name + ": " + m.why);
    } else if (m.kind === "warning") {
      notes.push("Note: " + m.text);
    } else if (m.kind === "made") {
      if (!avrelPlayShow(m.show))
        return;
      avrelPhotos.words = words;
      if (words.shuffle)
        lines.push("In a random order: avrel-custom --shuffle --seed " + words.seed +
                   " gives it again.");
      lines.unshift(m.passes > 1 ? "Your show: " + m.photos + " photos in its " + m.slots +
                                  " pictures, each shown once over " + m.passes + " passes." :
                   "Your show: " + m.slots + " pictures from " + m.photos +
                   (m.photos === 1 ? " photo." : " photos."));
    } else if (m.kind === "none") {
      var what = m.files === 1 ? "The 1 file is not" : "None of the " + m.files + " files is";
      avrelEndJob([m.why !== "" ? "No show could be made: " + m.why + "; the pictures that play stay." :
                   what + " a usable photo; the pictures that play stay."].concat(notes));
    } else if (m.kind === "done") {
      avrelEndJob(lines.concat(notes));
    }
  });
  // Each worker learns what the others fitted in the round before: the
  // first all of it, for the show; the others which slots are done and
  // which photos refused.
  var others = function (index, last) {
    var list = [];
    last.forEach(function (round, from) {
      if (from !== index)
        round.forEach(function (f) {
          list.push(index === 0 ? f : { slot: f.slot, name: f.name, why: f.why, enlargement: 1,
                                        width: 0, height: 0, pixels: new Uint8Array(0),
                                        jpeg: new Uint8Array(0) });
        });
    });
    return list;
  };
  var buffers = function (list) {
    return [].concat.apply([], list.map(function (f) { return [f.pixels.buffer, f.jpeg.buffer]; }));
  };
  var startRound = function (step) {
    var last = fitted;
    fitted = workers.map(function () { return []; });
    now.forEach(function (p) { before.done += p.done; before.total += p.total; });
    now = [];
    rounds = 0;
    workers.forEach(function (worker, index) {
      var message = step(index, last);
      avrelPost(worker, message, message.others ? buffers(message.others) : []);
    });
  };
  var nextStep = function () {
    var refused = fitted.some(function (round) {
      return round.some(function (f) { return f.why !== ""; });
    });
    if (refused) {
      startRound(function (index, last) { return { kind: "round", others: others(index, last) }; });
      return;
    }
    finishing = true;
    avrelProgress(1, 1, "Designing the palette\u2026");
    var last = others(0, fitted);
    workers.slice(1).forEach(function (worker) { worker.terminate(); });
    avrelPost(workers[0], { kind: "finish", others: last }, buffers(last));
  };
  startRound(function (index) {
    return { kind: "share", files: files, base: base, contain: contain, words: words,
             share: index, shares: workers.length };
  });
}

// The photos of a choice ({ path, file }: "FOLDER/NAME" or
// "FOLDER/SUB/NAME" for a folder's, "NAME" for a file chosen alone), named
// as avrel-custom names the files of a folder: a folder's files directly in
// it and in its sub-folders (one level down: the chapters); each name once
// (the first).
function avrelUsePhotos(found) {
  var seen = {}, kept = [];
  found.forEach(function (one) {
    var path = one.path.split("/");
    var name = path.slice(path.length > 1 ? 1 : 0).join("/");
    if (path.length > 3 || seen[name])
      return;
    seen[name] = true;
    kept.push({ name: name, data: one.file });
  });
  if (kept.length === 0) {
    avrelReport(["No photos came; the pictures that play stay."]);
    return;
  }
  avrelMakeShow(kept);
}

// The files of a dropped folder, as avrelUsePhotos takes them, `under` its
// path, with those of its sub-folders `depth` levels down at most; null
// when the browser does not let the page read it.
function avrelFolderFiles(entry, under, depth) {
  return new Promise(function (resolve) {
    var reader = entry.createReader(), found = [];
    var next = function () {
      reader.readEntries(function (entries) {
        if (entries.length === 0) {
          Promise.all(found).then(function (lists) {
            resolve(lists.indexOf(null) >= 0 ? null : [].concat.apply([], lists));
          });
          return;
        }
        entries.forEach(function (child) {
          var path = under + "/" + child.name;
          if (child.isFile) {
            found.push(new Promise(function (done) {
              child.file(function (file) { done([{ path: path, file: file }]); },
                         function () { done([]); });
            }));
          } else if (child.isDirectory && depth > 0) {
            found.push(avrelFolderFiles(child, path, depth - 1));
          }
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
    return entry && entry.isDirectory ? avrelFolderFiles(entry, entry.name, 1) :
                                        Promise.resolve([{ path: file.name, file: file }]);
  });
  Promise.all(waits).then(function (lists) {
    if (lists.indexOf(null) >= 0) {
      avrelReport(["A dropped folder could not be read here; choose it with Folder\u2026 instead."]);
      return;
    }
    avrelUsePhotos([].concat.apply([], lists));
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
  var show = avrelPhotos.show;
  var shipped = avrelFromBase64(document.getElementById("shipped-program").textContent);
  var worker = avrelStartMakers(1, function (index, m) {
    if (m.kind === "written")
      avrelDownload([m.program], m.fileName, "application/octet-stream");
    else if (m.kind === "none")
      avrelEndJob(["Avrel.scr could not be written: " + m.why + "."]);
    else if (m.kind === "done")
      avrelEndJob([]);
  })[0];
  avrelInflate(shipped).then(function (program) {
    avrelPost(worker, { kind: "write", show: show, program: new Uint8Array(program),
                        words: avrelPhotos.words });
  }, function () {});  // the maker cannot run either: said already
}

function avrelSavePage() {
  var source = avrelPhotos.source;
  var carried = source.querySelector("#personal-show");
  carried.textContent = avrelToBase64(avrelPhotos.show);
  carried.dataset.words = avrelPhotos.words.text;
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
    avrelReadyMakers();
    photos.click();
  });
  document.getElementById("folder-button").addEventListener("click", function () {
    avrelReadyMakers();
    folder.click();
  });
  document.addEventListener("dragenter", function () { avrelReadyMakers(); });
  [photos, folder].forEach(function (input) {
    input.addEventListener("change", function () {
      var found = Array.prototype.map.call(input.files, function (file) {
        return { path: file.webkitRelativePath || file.name, file: file };
      });
      input.value = "";
      if (found.length > 0)
        avrelUsePhotos(found);
    });
  });
  var remake = function () {
    if (avrelPhotos.files !== null)
      avrelMakeShow(avrelPhotos.files);
  };
  document.getElementById("fit").addEventListener("change", remake);
  var words = document.getElementById("words");
  words.addEventListener("change", remake);
  words.addEventListener("submit", function (event) { event.preventDefault(); });
  document.getElementById("words-button").addEventListener("click", function () {
    words.hidden = !words.hidden;
  });
  document.getElementById("own").addEventListener("click", avrelOwnPictures);
  document.getElementById("save-scr").addEventListener("click", avrelSaveProgram);
  document.getElementById("save-page").addEventListener("click", avrelSavePage);
  document.getElementById("report-close").addEventListener("click", function () {
    avrelReport([]);
  });
});
