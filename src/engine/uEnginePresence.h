#pragma once

// Marks the engine of this process as running on the data folder for as
// long as it lives, through an advisory lock on a file beside the
// databases: every running engine holds it shared, and an engine that
// starts while no other runs holds it whole for a moment first. Only such
// an engine may take downloads left at downloading for the leftovers of an
// engine that ended: with another engine running, they may be its own
// downloads in progress.
class cEnginePresence {
public:
    // Never raises: without the file, the engine counts as not alone.
    cEnginePresence();
    ~cEnginePresence();
    cEnginePresence(const cEnginePresence&) = delete;
    cEnginePresence& operator=(const cEnginePresence&) = delete;

    bool StartedAlone() const { return FAlone; }

private:
    int FFile = -1;
    bool FAlone = false;
};
