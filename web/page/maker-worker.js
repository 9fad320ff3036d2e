// The page's maker in a worker of its own (avrel-maker.js, built with
// MODULARIZE, follows this script). The page sends it the maker's
// WebAssembly, compiled ({ module }), then the steps of one job; it posts
// what the maker says as it says it, and the page ends it afterwards, and
// with it every byte the job took. A show is made by one to two workers at
// once, each fitting its share of the slots, round by round, until the
// first of them makes the show of all they fitted:
//   { kind: "share", files: the visitor's photos ({ name, data: a File },
//     named as in their folder), faces: the lettering's ({ name, data }),
//     base: the pictures the show is made over (a packed block), contain:
//     the fit, words: the visitor's ({ text: the lines of a words file,
//     shuffle, seed }), share, shares }: the first round; "fitted" for each
//     slot, then "round";
//   { kind: "round", others: what the other workers fitted last round }:
//     the next round, likewise;
//   { kind: "finish", others }: the show made, "done".
// A personal Avrel.scr is one step:
//   { kind: "write", show: a packed show, program: the shipped Avrel.scr,
//     words: the show's (its name names the file) }.
"use strict";

var avrelMaker = null;  // the maker, once loaded (a promise)
var avrelShare = null;  // the "share" step, for the steps after it

// What a read takes the browser frees only once the worker's event loop
// turns, which it does not while the maker's one long call runs: read again
// for every slot it fills, a photo would cost its size each time. So each
// photo's bytes are read once, when the maker first asks, and kept for the
// job (which ends with the worker).
function avrelReadOnce(files) {
  var reader = new FileReaderSync();
  files.stream_ops.read = function (stream, buffer, offset, length, position) {
    var node = stream.node;
    if (!node.avrelBytes)
      node.avrelBytes = new Uint8Array(reader.readAsArrayBuffer(node.contents));
    var bytes = node.avrelBytes.subarray(Math.min(position, node.size),
                                         Math.min(position + length, node.size));
    buffer.set(bytes, offset);
    return bytes.length;
  };
}

// Copies each of `parts` (byte arrays) into the maker's memory for `call`
// (their addresses, in order), and frees them afterwards.
function avrelWithBytes(maker, parts, call) {
  var at = parts.map(function (bytes) {
    var where = maker._malloc(Math.max(1, bytes.length));
    maker.HEAPU8.set(bytes, where);
    return where;
  });
  try {
    call.apply(null, at);
  } finally {
    at.forEach(function (where) { maker._free(where); });
  }
}

// What the other workers fitted, for the rounds and the show to come.
function avrelTake(maker, others) {
  var text = new TextEncoder();
  others.forEach(function (f) {
    var name = text.encode(f.name), why = text.encode(f.why);
    avrelWithBytes(maker, [name, why, f.pixels, f.jpeg], function (n, w, pixels, jpeg) {
      maker._avrelTakeFitted(f.slot, n, name.length, w, why.length, f.enlargement, f.width,
                             f.height, pixels, f.pixels.length, jpeg, f.jpeg.length);
    });
  });
}

function avrelStep(maker, step) {
  if (step.kind === "share") {
    // Read where they are, as the maker asks for them: nothing is copied
    // before a photo's turn comes.
    var files = maker.FS.filesystems.WORKERFS;
    avrelReadOnce(files);
    maker.FS.mkdir("/photos");
    maker.FS.mount(files, { blobs: step.files }, "/photos");
    maker.FS.mkdir("/faces");
    maker.FS.mount(files, { blobs: step.faces }, "/faces");
    avrelShare = step;
  } else if (step.kind !== "write") {
    avrelTake(maker, step.others);
  }
  var share = avrelShare;
  var words = new TextEncoder().encode((step.kind === "write" ? step : share).words.text);
  if (step.kind === "share" || step.kind === "round") {
    avrelWithBytes(maker, [share.base, words], function (base, w) {
      maker._avrelFitShare(base, share.base.length, share.contain ? 1 : 0, w, words.length,
                           share.words.shuffle ? 1 : 0, share.words.seed, share.share,
                           share.shares);
    });
    postMessage({ kind: "round" });
  } else if (step.kind === "finish") {
    avrelWithBytes(maker, [share.base, words], function (base, w) {
      maker._avrelMakeShow(base, share.base.length, share.contain ? 1 : 0, w, words.length,
                           share.words.shuffle ? 1 : 0, share.words.seed);
    });
    postMessage({ kind: "done" });
  } else {
    avrelWithBytes(maker, [step.show, step.program, words], function (show, program, w) {
      maker._avrelWriteProgram(show, step.show.length, program, step.program.length, w,
                               words.length);
    });
    postMessage({ kind: "done" });
  }
}

onmessage = function (event) {
  if (event.data.module) {
    var module = event.data.module;
    avrelMaker = AvrelMaker({
      instantiateWasm: function (imports, done) {
        WebAssembly.instantiate(module, imports).then(function (instance) {
          done(instance, module);
        });
        return {};
      },
      print: function (text) { console.log(text); },
      printErr: function (text) { console.warn(text); },
    });
    return;
  }
  var step = event.data;
  avrelMaker.then(function (maker) {
    avrelStep(maker, step);
  }).catch(function (error) {
    // An abort (out of memory, say) ends the job with its reason.
    postMessage({ kind: "failed", why: String(error) });
  });
};
