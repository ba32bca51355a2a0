// Playback of a sequence longer than the frame cache, streamed from disk:
// 240 frames, the first pass cold (their pages dropped from the page cache),
// then a second pass sustained. Beside the rates it prints what one frame
// costs on one thread (reading the file, decoding it into the 16-bit words,
// converting those for the screen, drawing the picture shown) and the page
// faults per frame shown, so that a missed target says where the time goes.
#pragma once

#include <QString>

namespace streamingbench {

// Plays 240 frames of size ("WIDTHxHEIGHT") at rate in the real window;
// coldTarget is the first pass's target in frames per second (0: none).
void Measure(const QString& rpfgenPath, const QString& size, int rate, double coldTarget);

}  // namespace streamingbench
