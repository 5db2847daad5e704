#pragma once
#include "data/Phrase.h"
#include "data/PhraseList.h"
#include "data/TagReader.h"
#include "platform/Clock.h"
#include "platform/DateFormats.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/FolderWatch.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace lumora {

// A phrase file that Lumora cannot have written (a zeroed block, no list of phrases): its load
// fails, as for a reading error, rather than giving an empty list.
class DamagedFileError : public Error {
public:
    using Error::Error;
};

// What a load found, for the decision whether the old file must be kept before it is replaced.
struct PhraseLoadResult {
    bool FileFound = false;
    // Phrase elements were left out because the rows reached MaxPhrases.
    bool StoppedAtLimit = false;
    // The load was asked to stop (the program ends) before the end of the file.
    bool Stopped = false;
};

// The whole phrase file as SavePhrases writes it: UTF-16LE with a byte-order mark.
std::string PhraseFileBytes(const PhraseList& rows);

// Writes the rows' phrases, in row order, atomically (the old file survives any failure).
void SavePhrases(const PhraseList& rows, FileSystem& files, const std::u16string& path);

// Replaces the rows' phrases by those of the file: no file leaves the rows empty; a reading
// error (TagSyntaxError, DamagedFileError) leaves the whole phrases made before it and then
// reaches the caller. The index is sorted on every path. processMessages runs once per phrase
// made (may be empty); stop (may be empty) is asked after it, and true ends the load there.
// maxPhrases is compared as unsigned: UINT32_MAX or a negative option lifts the limit.
PhraseLoadResult LoadPhrases(PhraseList& rows, AbbreviationIndex& index, FileSystem& files,
                             const std::u16string& path, std::uint32_t maxPhrases,
                             const std::function<void()>& processMessages,
                             const std::function<bool()>& stop = {});

// The same, from bytes already read.
PhraseLoadResult LoadPhrasesFromBytes(PhraseList& rows, AbbreviationIndex& index,
                                      std::string_view bytes, std::uint32_t maxPhrases,
                                      const std::function<void()>& processMessages,
                                      const std::function<bool()>& stop = {});

// How many phrases a file's bytes hold, as far as they can be read.
struct PhraseCount {
    std::size_t Phrases = 0;
    bool Whole = false; // read to the end without an error
};
PhraseCount CountPhrases(std::string_view bytes);

// What the phrase file of the running program needs of its host.
struct PhraseFileCallbacks {
    // Shows an error in the program's error box.
    std::function<void(std::exception_ptr)> Report;
    // Tells the user something that needs no answer (a tray notice): a copy was kept.
    std::function<void(const std::u16string& title, const std::u16string& text)> Tell;
    // The local time, which names the dated copies (a fixed time when unset).
    std::function<LocalTime()> Now;
};

// The phrase file of the running program. It is loaded at start; each accepted change in the
// editor is written about a second later (a burst of changes in one write), and what is still
// unsaved at exit then. Before Lumora first replaces a file that holds phrases the rows lack (a
// load that failed or stopped early), the file is kept as a backup: PATH.bak, or, when that
// holds phrases the file lacks, PATH.N-phrases.bak (N its number of phrases) or a dated backup,
// so that no backup is ever replaced by one that lacks a phrase of it. The file is watched: a
// change made by another program is loaded when the rows hold no unsaved change, into a new list
// that replaces the rows only when the file could be read whole; before a change takes a row
// away, the rows are kept as a dated backup (PATH.DATE.bak) and the user is told. An empty file
// is never loaded over phrases. With unsaved changes the rows are written and the other version
// is kept as a dated conflict copy (PATH.DATE.conflict). A read-only file is never written.
class PhraseFile {
public:
    using ErrorReport = std::function<void(std::exception_ptr)>;

    // Delay from the first unsaved change to its write.
    static constexpr std::uint32_t SaveDelayMs = 750;
    // A change by another program is acted on once the file has stayed the same this long.
    static constexpr std::uint32_t SettleMs = 1000;
    // An emptied file is given this long to be filled again (a sync replacing it).
    static constexpr std::uint32_t EmptySettleMs = 5000;
    // The look at the file without change notifications, and beside notifications that may
    // not come (a network share).
    static constexpr std::uint32_t PollIntervalMs = 1000;
    static constexpr std::uint32_t SlowPollIntervalMs = 10000;
    // The tests' timer; the program asks NextTickDelayMs instead.
    static constexpr std::uint32_t TickIntervalMs = 250;

    PhraseFile(FileSystem& files, Clock& clock, std::u16string path, PhraseList& rows,
               AbbreviationIndex& index, ErrorReport report = {});
    PhraseFile(FileSystem& files, Clock& clock, std::u16string path, PhraseList& rows,
               AbbreviationIndex& index, PhraseFileCallbacks callbacks);
    PhraseFile(const PhraseFile&) = delete;
    PhraseFile& operator=(const PhraseFile&) = delete;

    const std::u16string& Path() const { return path_; }
    const PhraseFileCallbacks& Callbacks() const { return callbacks_; }
    std::u16string BackupPath() const { return path_ + u".bak"; }
    // The backup kept beside a fuller PATH.bak.
    std::u16string BackupPath(std::size_t phrases) const;
    // The undated conflict copy of older versions (still listed for recovery).
    std::u16string ConflictPath() const { return path_ + u".conflict"; }

    // LoadPhrases into the rows, remembering whether it failed (its error still reaches the
    // caller) or stopped early.
    PhraseLoadResult Load(std::uint32_t maxPhrases, const std::function<void()>& processMessages);
    bool Loading() const { return loading_; }
    // The file holds phrases the rows lack.
    bool KeepsOldFile() const { return keepsOldFile_; }

    // The editor accepted a change (a new phrase, a cell edit, a delete).
    void Changed();
    // Something in the file's folder changed (a change notification): the file is looked at.
    void FileChangeNoticed();
    // How often the file is looked at without a notification; nullopt: never (notifications
    // are delivered). PollIntervalMs until set.
    void SetPollInterval(std::optional<std::uint32_t> intervalMs);
    // Writes what is due, and looks for changes made by others. userEditing: a cell is being
    // edited, so the rows must not be replaced under it.
    void Tick(bool userEditing = false);
    // How long until Tick has something to do; nullopt when nothing is due at all.
    std::optional<std::uint32_t> NextTickDelayMs();
    // The program is to end. During a load (this runs inside its message processing) the load
    // is asked to stop and the answer is false: the caller ends once Load has returned. Nothing
    // needs writing then, since nothing could be edited before the load ended.
    bool RequestEnd();
    // The save at exit: writes when there are unsaved changes, when there is no file, or after
    // a failed load (the phrases read, the damaged file kept as backup). A failure throws, and
    // the old file is left whole.
    void SaveAtExit();

private:
    void Write();
    void TryWrite();
    void KeepBackup();
    void Look(bool userEditing, std::uint32_t now);
    void LookIn(std::uint32_t ms);
    void Reload(const FileStamp& stamp, std::uint32_t now);
    // Keeps the rows as a dated backup and tells the user why (what happened to the file);
    // false when no copy could be made.
    bool KeepRows(const std::u16string& happened);
    void Say(const std::u16string& message);
    void Tell(const std::u16string& title, const std::u16string& text);
    LocalTime Now() const;
    std::optional<FileStamp> CurrentStamp();

    FileSystem& files_;
    Clock& clock_;
    std::u16string path_;
    PhraseList& rows_;
    AbbreviationIndex& index_;
    PhraseFileCallbacks callbacks_;
    ErrorReport report_;
    std::uint32_t maxPhrases_ = 0xFFFFFFFFu;

    bool loading_ = false;
    bool stopRequested_ = false;
    bool loadFailed_ = false;
    bool keepsOldFile_ = false;
    bool unsaved_ = false;
    bool busy_ = false; // a Tick runs (an error box lets timers in)
    std::optional<std::uint32_t> firstUnsavedTick_;
    std::optional<std::uint32_t> pollIntervalMs_ = PollIntervalMs;
    std::uint32_t lastPollTick_ = 0;
    std::optional<std::uint32_t> lookAt_; // a look asked for by a notification or a wait
    // The file as last loaded or written here; a change seen once waits SettleMs to settle.
    std::optional<FileStamp> known_;
    std::optional<FileStamp> settling_;
    // An empty file seen over phrases, and since when.
    std::optional<FileStamp> emptyStamp_;
    std::uint32_t emptySince_ = 0;
    // The rows as last kept in a dated backup, and where: the same rows are not kept twice.
    std::string lastKeptRows_;
    std::u16string lastKeptPath_;
    bool writeFailureShown_ = false;
    bool readOnlyShown_ = false;
};

// The file's poll interval (PhraseFile::SetPollInterval) for how far notifications reach.
std::optional<std::uint32_t> PollIntervalFor(FolderWatchReach reach);

// The root's Opened callback of a load: makes one phrase and row per accepted phrase element.
class PhraseTagHandler {
public:
    PhraseTagHandler(PhraseList& rows, AbbreviationIndex& index, std::uint32_t maxPhrases,
                     std::function<void()> processMessages, std::function<bool()> stop = {})
        : rows_(rows), index_(index), maxPhrases_(maxPhrases),
          processMessages_(std::move(processMessages)), stop_(std::move(stop)) {}

    void OnPhraseTag(Tag* tag);
    bool StoppedAtLimit() const { return stoppedAtLimit_; }
    bool SawPhraseList() const { return sawPhraseList_; }
    // The last phrase made, while its element has not closed.
    const Phrase* OpenPhrase() const { return openPhrase_; }

private:
    PhraseList& rows_;
    AbbreviationIndex& index_;
    std::uint32_t maxPhrases_;
    std::function<void()> processMessages_;
    std::function<bool()> stop_;
    bool stoppedAtLimit_ = false;
    bool sawPhraseList_ = false;
    const Phrase* openPhrase_ = nullptr;
};

} // namespace lumora
