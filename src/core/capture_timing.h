// Off-by-default timing of each capture for the capture benchmark: when the environment variable
// CHENGJIAN_CAPTURE_TIMES names a file, every capture appends one line to it,
// "capture <frequency> <start> <read> <insert> <trim> <row> <paint> <working set> <stored peak>
// <peak>": the performance-counter values at the end of each step (0 for a step that did not run),
// the working set in bytes when the capture began, and the process's peak working set once the
// entry was stored and when the capture ended. Without the variable nothing is done.
#pragma once

enum class CapturePhase { Start, Read, Insert, Trim, Row, Paint, Count };

// Notes the counter now for `phase` of the capture under way.
void MarkCapturePhase(CapturePhase phase) noexcept;
// Appends the capture's line (when timing is on) and clears the marks for the next capture.
void FinishCaptureTiming() noexcept;
