// The process-wide cancel and finished flags of the scan, shared by the scanning
// thread and the thread that may cancel it.
#pragma once

namespace quillora {

// At most one scan runs at a time. Every call takes the one lock around its read
// or write, so the flags can be used from any thread.
class CScanControl {
public:
    // Called by whoever starts a scan, before the scanning thread starts: clears
    // both flags, so that a cancel requested from now on is kept even when it comes
    // before the scan has begun, and RequestScanCancel waits for that scan.
    static void BeginScan();

    // The scan's own start (AddVolume): clears the cancel flag unless BeginScan
    // prepared this scan, and marks the scan as not finished.
    static void EnterScan();

    static void ClearScanCancel();
    static bool IsScanCancelled();
    static void SetScanFinished(bool finished);
    static bool IsScanFinished();

    // Sets the cancel flag, then waits, looking every 10 ms, until the scan says it
    // has finished; returns at once when no scan is running.
    static void RequestScanCancel();
};

} // namespace quillora
