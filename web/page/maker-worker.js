// The page's maker in a worker of its own (avrel-maker.js, built with
// MODULARIZE, follows this script): it takes one job from the page, posts
// what the maker says as it says it, then "done", and the page ends it,
// and with it every byte the job took. A job carries the maker's
// WebAssembly (compressed, as the page holds it) and either
//   { kind: "make", files: the visitor's photos (File objects),
//     base: the pictures the show is made over (a packed block),
//     contain: the fit }, or
//   { kind: "write", show: a packed show, program: the shipped Avrel.scr
//     (compressed) } for a personal Avrel.scr.
"use strict";

function avrelInflate(bytes) {
  var stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
  return new Response(stream).arrayBuffer().then(function (buffer) {
    return new Uint8Array(buffer);
  });
}

// Copies `bytes` into the maker's memory for `call` (address, length).
function avrelWithBytes(maker, bytes, call) {
  var at = maker._malloc(Math.max(1, bytes.length));
  maker.HEAPU8.set(bytes, at);
  try {
    call(at, bytes.length);
  } finally {
    maker._free(at);
  }
}

function avrelRun(maker, job, program) {
  if (job.kind === "make") {
    // Read where they are, as the maker asks for them: nothing is copied
    // before a photo's turn comes.
    maker.FS.mkdir("/photos");
    maker.FS.mount(maker.FS.filesystems.WORKERFS, { files: job.files }, "/photos");
    avrelWithBytes(maker, job.base, function (at, length) {
      maker._avrelMakeShow(at, length, job.contain ? 1 : 0);
    });
  } else {
    avrelWithBytes(maker, job.show, function (show, showLength) {
      avrelWithBytes(maker, program, function (at, length) {
        maker._avrelWriteProgram(show, showLength, at, length);
      });
    });
  }
}

onmessage = function (event) {
  var job = event.data;
  var program = null;
  Promise.all([avrelInflate(job.maker),
               job.kind === "write" ? avrelInflate(job.program) : null]).then(function (bytes) {
    program = bytes[1];
    return AvrelMaker({
      wasmBinary: bytes[0],
      print: function (text) { console.log(text); },
      printErr: function (text) { console.warn(text); },
    });
  }).then(function (maker) {
    avrelRun(maker, job, program);
    postMessage({ kind: "done" });
  }).catch(function (error) {
    // An abort (out of memory, say) ends the job with its reason.
    postMessage({ kind: "failed", why: String(error) });
  });
};
