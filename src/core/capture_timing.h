// Off-by-default timing of each capture for the capture benchmark: when the environment variable
// CHENGJIAN_CAPTURE_TIMES names a file, every capture appends one line to it,
// "capture <frequency> <start> <read> <insert> <trim> <row> <paint> <working set> <stored peak>
// <peak>": the performance-counter values at the end of each step (0 for a step that did not run;
// the insert and the trim share one transaction, committed at the end of the trim),
// the working set in bytes when the capture began (as read once the capture before it was shown,
// the program being idle in between), and the process's peak working set once the
// entry was stored and when the capture ended. Without the variable nothing is done.
//
// A capture is read and shown on the window thread and stored on the history writer's thread, so
// its stamps travel with the entry; the window thread keeps the stamps of the capture it is
// reading or showing at the moment as the current ones.
#pragma once

#include <windows.h>

enum class CapturePhase { Start, Read, Insert, Trim, Row, Paint, Count };

// The stamps of one capture.
struct CaptureStamps {
    LONGLONG marks[static_cast<int>(CapturePhase::Count)] = {};
    SIZE_T startWorkingSet = 0;
    SIZE_T storedPeak = 0;

    // Notes the counter now for `phase` (and the memory figures that phase records). Any thread.
    void Mark(CapturePhase phase) noexcept;
};

// The window thread's current capture: the one being read, or the one whose row is being added.
CaptureStamps& CurrentCaptureStamps() noexcept;
// Marks `phase` of the current capture.
void MarkCapturePhase(CapturePhase phase) noexcept;
// Appends the current capture's line (when timing is on) and clears the stamps for the next one.
void FinishCaptureTiming() noexcept;
