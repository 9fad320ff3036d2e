// timeline.jsonl: one JSON object a line for every scene and line operation
// that overlaps a stretch of show time, with its arguments, step, pass,
// start and end.
#pragma once

#include <string>
#include <vector>

#include "show/TraceRecorder.h"

// Writes the calls that overlap [from, to] ms; an operation still running
// when the run stopped has a null end. False when the file cannot be
// written.
bool WriteTimeline(const std::string& path, const std::vector<TracedCall>& calls, long from,
                   long to);
