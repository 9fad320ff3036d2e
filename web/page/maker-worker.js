// The page's maker in a worker of its own (avrel-maker.js, built with
// MODULARIZE, follows this script). The page sends it the maker's
// WebAssembly, compiled ({ module }), then one job; it posts what the maker
// says as it says it, then "done", and the page ends it, and with it every
// byte the job took. A job is either
//   { kind: "make", files: the visitor's photos (File objects),
//     base: the pictures the show is made over (a packed block),
//     contain: the fit }, or
//   { kind: "write", show: a packed show, program: the shipped Avrel.scr }
// for a personal Avrel.scr.
"use strict";

var avrelMaker = null;  // the maker, once loaded (a promise)

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

function avrelRun(maker, job) {
  if (job.kind === "make") {
    // Read where they are, as the maker asks for them: nothing is copied
    // before a photo's turn comes.
    var files = maker.FS.filesystems.WORKERFS;
    avrelReadOnce(files);
    maker.FS.mkdir("/photos");
    maker.FS.mount(files, { files: job.files }, "/photos");
    avrelWithBytes(maker, job.base, function (at, length) {
      maker._avrelMakeShow(at, length, job.contain ? 1 : 0);
    });
  } else {
    avrelWithBytes(maker, job.show, function (show, showLength) {
      avrelWithBytes(maker, job.program, function (at, length) {
        maker._avrelWriteProgram(show, showLength, at, length);
      });
    });
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
  var job = event.data;
  avrelMaker.then(function (maker) {
    avrelRun(maker, job);
    postMessage({ kind: "done" });
  }).catch(function (error) {
    // An abort (out of memory, say) ends the job with its reason.
    postMessage({ kind: "failed", why: String(error) });
  });
};
