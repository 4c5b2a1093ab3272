#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class cSQLDatabase;

// Where a kind of download keeps its state: the enclosure's Status, the
// node's IsDownloaded (values dsRequested, dsRunning, ...).
struct cDownloadKind {
    const char* Table;
    const char* Column;
};

inline constexpr cDownloadKind EnclosureDownloads{"Enclosure", "Status"};
inline constexpr cDownloadKind PageDownloads{"Node", "IsDownloaded"};

// One requested item taken for download by this process. Taking it moves
// it from requested to downloading in a transaction of its own, so that the
// lists show it while the transfer runs; while the claim lives, the item
// counts as downloading in this process. Finish records the outcome.
class cDownloadClaim {
public:
    cDownloadClaim(cSQLDatabase& database, const cDownloadKind& kind, int64_t id);
    ~cDownloadClaim();
    cDownloadClaim(const cDownloadClaim&) = delete;
    cDownloadClaim& operator=(const cDownloadClaim&) = delete;

    // False when the item was no longer requested (another process took
    // it, or the user changed it meanwhile): there is nothing to download.
    bool Taken() const { return FTaken; }
    // Downloaded (dsDownloaded) or failed (dsFailed), in a transaction of
    // its own.
    void Finish(uint8_t state);

private:
    cSQLDatabase& FDatabase;
    const cDownloadKind& FKind;
    const int64_t FId;
    bool FTaken = false;
};

// Takes the item and records how its download ended: downloaded when
// fetch wrote the whole file at path (it returns false or raises
// otherwise), failed when it did not or when that cannot be recorded. A
// failed download keeps no file, not even one an earlier request saved;
// the file goes first, so a failure that cannot be recorded still leaves
// no partial file behind. A download cut off by the engine stopping
// (cHTTP::AbortTransfers) is neither: it stays at downloading, with its
// file as it was, and the next engine start requests it again. Errors
// recording the start or the failure reach the caller.
void RunDownload(cSQLDatabase& database, const cDownloadKind& kind, int64_t id, const QString& path,
                 const std::function<bool()>& fetch);

// For engine start, before the scheduler's first pass: downloads that an
// earlier process left at downloading, when it ended in the middle of one,
// are requested again, so that they are fetched anew. Those this process
// is running stay as they are.
void RequestInterruptedDownloadsAgain(cSQLDatabase& database);
