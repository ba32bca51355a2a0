// What rpfdiff prints for one pair of files: the readable report, or one
// line of JSON for pipelines.
#pragma once

#include "FilePairs.h"
#include "ImageComparison.h"

#include <cstdio>
#include <string>

struct PairOutcome {
    FilePair files;
    CompareStatus status = CompareStatus::Same;
    // Why the pair is Unreadable: the reader's report, or the counterpart
    // missing; empty otherwise.
    std::string failure;
    bool compared = false;  // both files loaded: the comparison holds figures
    ImageComparison comparison;
};

// The word for a status: PASS, WARNING, FAILURE, SIZES DIFFER, UNREADABLE.
const char* StatusWord(CompareStatus status);

// "Comparing ..." and a block of lines per channel, then the pair's status word.
void PrintText(std::FILE* out, const PairOutcome& outcome, const CompareThresholds& thresholds);

// One JSON object on one line: a, b, status (the exit status number),
// status_word, width and height of each, error (when unreadable), and the
// channels by name, each with its status, pixels, differing, warning,
// failing, unmatched, max, max_at [x, y] (null when nothing differs by a
// number), mean, rms, identical, and psnr for colour (null when identical).
void PrintJson(std::FILE* out, const PairOutcome& outcome, const CompareThresholds& thresholds);

// A text as a JSON string, quotes included.
std::string JsonString(const std::string& text);
