// The phrase file of the running program: loads it, writes each change a second later, keeps
// backups and conflict copies, and takes in changes made by other programs.
#include "data/PhraseFile.h"

#include "platform/MessageText.h"

#include "data/PhraseCopies.h"
#include "data/PhraseFilePlace.h"
#include "data/TagWriter.h"

#include <limits>
#include <memory>

namespace lumora {

namespace {

// Thrown from the tag callback to end a load that was asked to stop; never leaves the load.
struct LoadStopped {};

// Sets a flag for the length of a scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

std::string PhraseFileBytes(const PhraseList& rows) {
    constexpr std::u16string_view header = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    // Sized once: a save of 10,000 phrases is one allocation of the file's size.
    std::size_t size = 2 + 2 * header.size() +
                       TagBytesWriter::TagSize(u"phrases", u"", true, false) +
                       TagBytesWriter::TagSize(u"phrases", u"", false, true);
    for (std::size_t i = 0; i < rows.Count(); ++i)
        size += rows.At(i).ElementSize();
    std::string bytes;
    bytes.reserve(size);
    bytes = "\xFF\xFE";
    TagBytesWriter out(bytes);
    out.Text(header);
    out.Tag(u"phrases", u"", true, false);
    for (std::size_t i = 0; i < rows.Count(); ++i)
        rows.At(i).WriteElement(out);
    out.Tag(u"phrases", u"", false, true);
    return bytes;
}

void SavePhrases(const PhraseList& rows, FileSystem& files, const std::u16string& path) {
    files.WriteFileAtomic(path, PhraseFileBytes(rows));
}

void PhraseTagHandler::OnPhraseTag(Tag* tag) {
    if (tag->Name == u"phrases") sawPhraseList_ = true;
    if (rows_.Count() >= maxPhrases_) {
        if (tag->Name == u"phrase") stoppedAtLimit_ = true;
        return;
    }
    if (tag->Name != u"phrase") return;
    // The rows are not edited while a load runs (the program keeps the editor closed until it
    // has ended), so the phrase outlives its element.
    Phrase& phrase = rows_.Append(std::make_unique<Phrase>(index_));
    openPhrase_ = &phrase;
    // A phrase inside a phrase is a damaged structure, not a second phrase.
    tag->Opened = [](Tag* child) {
        if (child->Name == u"phrase")
            throw TagSyntaxError(u"XML Parsing Error: a phrase inside a phrase.\rFound: <phrase>\r"
                                 u"Line: " +
                                 DecimalText(child->Line) + u"\rColumn: " +
                                 DecimalText(child->Column));
    };
    tag->Closed = [this, &phrase](const std::u16string& name, const std::u16string& text) {
        if (name == u"phrase" && openPhrase_ == &phrase) openPhrase_ = nullptr;
        phrase.OnChildTag(name, text);
    };
    if (processMessages_) processMessages_();
    if (stop_ && stop_()) throw LoadStopped{};
}

PhraseLoadResult LoadPhrasesFromBytes(PhraseList& rows, AbbreviationIndex& index,
                                      std::string_view bytes, std::uint32_t maxPhrases,
                                      const std::function<void()>& processMessages,
                                      const std::function<bool()>& stop) {
    rows.ClearPhrases();
    PhraseLoadResult result;
    result.FileFound = true;
    FileText text(bytes);
    PhraseTagHandler handler(rows, index, maxPhrases, processMessages, stop);
    std::exception_ptr readError;
    {
        // Sorts the index once, however the load ends.
        AbbreviationIndex::LoadScope loading(index);
        PhraseListBatch batch(rows);
        try {
            ReadTags(
                text, [&handler](Tag* tag) { handler.OnPhraseTag(tag); }, nullptr);
        } catch (const LoadStopped&) {
            result.Stopped = true;
        } catch (const Error&) {
            readError = std::current_exception();
        }
    }
    // A phrase cut off by the end of the file, an error or a stop is no phrase.
    if (const Phrase* cut = handler.OpenPhrase()) {
        const std::size_t at = rows.IndexOf(cut);
        if (at < rows.Count()) rows.DeleteAt(at);
    }
    // A NUL that more text follows: a block of the file was zeroed, which no writer of the
    // file does (a tail of NULs only is dropped as before).
    if (std::optional<long long> line = text.LineOfNulInsideText()) {
        throw DamagedFileError(u"The phrase file is damaged: its text stops at a NUL character "
                               u"on line " +
                               DecimalText(*line) + u", long before its end.");
    }
    if (readError) std::rethrow_exception(readError);
    // Anything but an empty file is a list of phrases; without one the file is no phrase file
    // (a zeroed start, bytes of another kind).
    if (!result.Stopped && !handler.SawPhraseList() && !text.IsBlank()) {
        throw DamagedFileError(
            u"The phrase file is damaged: it holds no list of phrases (no <phrases> element).");
    }
    result.StoppedAtLimit = handler.StoppedAtLimit();
    return result;
}

PhraseLoadResult LoadPhrases(PhraseList& rows, AbbreviationIndex& index, FileSystem& files,
                             const std::u16string& path, std::uint32_t maxPhrases,
                             const std::function<void()>& processMessages,
                             const std::function<bool()>& stop) {
    rows.ClearPhrases();
    std::optional<std::string> bytes = files.ReadFile(path);
    if (!bytes) return {};
    return LoadPhrasesFromBytes(rows, index, *bytes, maxPhrases, processMessages, stop);
}

PhraseCount CountPhrases(std::string_view bytes) {
    AbbreviationIndex index;
    PhraseList rows;
    PhraseCount count;
    try {
        LoadPhrasesFromBytes(rows, index, bytes, std::numeric_limits<std::uint32_t>::max(), {});
        count.Whole = true;
    } catch (const Error&) {
    }
    count.Phrases = rows.Count();
    return count;
}

// --- the file of the running program ---------------------------------------------------------

namespace {

// a is at or after b on the wrapping millisecond clock.
bool Reached(std::uint32_t now, std::uint32_t at) {
    return static_cast<std::int32_t>(now - at) >= 0;
}

std::u16string FileNameOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string Phrases(std::size_t n) {
    return DecimalText(static_cast<long long>(n)) + (n == 1 ? u" phrase" : u" phrases");
}

constexpr std::u16string_view KeptTitle = u"Lumora kept your phrases";

} // namespace

PhraseFile::PhraseFile(FileSystem& files, Clock& clock, std::u16string path, PhraseList& rows,
                       AbbreviationIndex& index, ErrorReport report)
    : PhraseFile(files, clock, std::move(path), rows, index,
                 PhraseFileCallbacks{std::move(report), {}, {}}) {}

PhraseFile::PhraseFile(FileSystem& files, Clock& clock, std::u16string path, PhraseList& rows,
                       AbbreviationIndex& index, PhraseFileCallbacks callbacks)
    : files_(files), clock_(clock), path_(std::move(path)), rows_(rows), index_(index),
      callbacks_(std::move(callbacks)), report_(callbacks_.Report) {}

std::u16string PhraseFile::BackupPath(std::size_t phrases) const {
    return path_ + u"." + DecimalText(static_cast<long long>(phrases)) + u"-phrases.bak";
}

std::optional<FileStamp> PhraseFile::CurrentStamp() {
    std::optional<FileInfo> info = files_.Info(path_);
    if (!info) return std::nullopt;
    return info->Stamp;
}

LocalTime PhraseFile::Now() const {
    return callbacks_.Now ? callbacks_.Now() : LocalTime{};
}

PhraseLoadResult PhraseFile::Load(std::uint32_t maxPhrases,
                                  const std::function<void()>& processMessages) {
    FlagScope loading(loading_);
    maxPhrases_ = maxPhrases;
    stopRequested_ = false;
    unsaved_ = false;
    firstUnsavedTick_.reset();
    settling_.reset();
    emptyStamp_.reset();
    // Until the load has come through, the file holds phrases the rows may lack.
    loadFailed_ = keepsOldFile_ = true;
    // Taken before the read: a change made while it runs is then seen as one.
    known_ = CurrentStamp();
    const PhraseLoadResult result = LoadPhrases(rows_, index_, files_, path_, maxPhrases,
                                                processMessages, [this] { return stopRequested_; });
    loadFailed_ = false;
    keepsOldFile_ = result.StoppedAtLimit || result.Stopped;
    return result;
}

bool PhraseFile::RequestEnd() {
    if (!loading_) return true;
    stopRequested_ = true;
    return false;
}

void PhraseFile::Changed() {
    unsaved_ = true;
    if (!firstUnsavedTick_) firstUnsavedTick_ = clock_.TickCount();
}

void PhraseFile::FileChangeNoticed() {
    LookIn(0);
}

void PhraseFile::SetPollInterval(std::optional<std::uint32_t> intervalMs) {
    pollIntervalMs_ = intervalMs;
    lastPollTick_ = clock_.TickCount();
}

void PhraseFile::LookIn(std::uint32_t ms) {
    const std::uint32_t at = clock_.TickCount() + ms;
    if (!lookAt_ || static_cast<std::int32_t>(at - *lookAt_) < 0) lookAt_ = at;
}

void PhraseFile::Say(const std::u16string& message) {
    if (report_) report_(std::make_exception_ptr(Error(message)));
}

void PhraseFile::Tell(const std::u16string& title, const std::u16string& text) {
    if (callbacks_.Tell) callbacks_.Tell(title, text);
}

std::u16string PhraseFile::KeepBackup() {
    std::optional<std::string> current = files_.ReadFile(path_);
    if (!current) return {};
    const PhraseFileContent now = ReadPhraseValues(*current);
    if (now.Blank) return {}; // nothing in it to keep
    // A name of its own when the usual ones are taken; the user is told where it went, since
    // the start named PATH.bak.
    auto keepDated = [&] {
        const std::u16string copy = KeepDatedCopy(files_, path_, CopyKind::Backup, Now(), *current);
        Tell(std::u16string(KeptTitle), FileNameOf(path_) +
                                            u" as it was before Lumora wrote it is kept beside it "
                                            u"in " +
                                            FileNameOf(copy) + u".");
        return copy;
    };
    std::optional<std::string> backup;
    try {
        backup = files_.ReadFile(BackupPath());
    } catch (const std::exception&) {
        // A backup that cannot be read never stands in the way.
        return keepDated();
    }
    if (!backup) {
        if (!files_.WriteNewFile(BackupPath(), *current)) return keepDated();
        return BackupPath();
    }
    if (*backup == *current) return BackupPath();
    const PhraseFileContent before = ReadPhraseValues(*backup);
    // PATH.bak gives way only to a copy that holds every phrase of it; one that cannot be read
    // whole is kept as it is.
    if (before.Whole && MissingPhrases(before.Phrases, now.Phrases) == 0) {
        files_.WriteFileAtomic(BackupPath(), *current);
        return BackupPath();
    }
    const std::u16string numbered = BackupPath(now.Phrases.size());
    std::optional<std::string> there;
    try {
        there = files_.ReadFile(numbered);
    } catch (const std::exception&) {
        return keepDated();
    }
    if (there && *there == *current) return numbered;
    if (there || !files_.WriteNewFile(numbered, *current)) return keepDated();
    return numbered;
}

std::u16string PhraseFile::KeepOldFileNow() {
    return KeepBackup();
}

bool PhraseFile::KeepRows(const std::u16string& happened) {
    if (rows_.Count() == 0) return true; // nothing of the user's to keep
    std::string bytes = PhraseFileBytes(rows_);
    // The same rows kept once already, and still there: that copy stands, and was told of.
    if (bytes == lastKeptRows_ && files_.FileExists(lastKeptPath_)) return true;
    std::u16string copy;
    try {
        copy = KeepDatedCopy(files_, path_, CopyKind::Backup, Now(), bytes);
    } catch (const std::exception&) {
        if (report_) report_(std::current_exception());
        return false;
    }
    lastKeptRows_ = std::move(bytes);
    lastKeptPath_ = copy;
    Tell(std::u16string(KeptTitle), happened + u" The list as it was, " + Phrases(rows_.Count()) +
                                        u", is kept beside it in " + FileNameOf(copy) +
                                        u" (\"Import from a backup...\" in the phrase list brings "
                                        u"phrases back).");
    return true;
}

void PhraseFile::Write() {
    std::optional<FileInfo> info = files_.Info(path_);
    if (info && info->ReadOnly) {
        firstUnsavedTick_.reset(); // tried again at the next change and at exit
        if (!readOnlyShown_) {
            readOnlyShown_ = true;
            Say(u"The phrase file \"" + path_ +
                u"\" is read-only: Lumora leaves it as it is, and changes to the phrases are "
                u"not saved while it stays so.");
        }
        return;
    }
    if (info && ForeignFileInTheWay(*info)) return;
    if (info && info->Stamp != known_) {
        // Another program wrote it since: its version is kept beside ours, under a name of its
        // own, unless it holds nothing the rows lack. Unread, it is not written over.
        if (std::optional<std::string> theirs = files_.ReadFile(path_)) {
            const PhraseFileContent content = ReadPhraseValues(*theirs);
            if (!content.Blank &&
                (!content.Whole || MissingPhrases(content.Phrases, ValuesOf(rows_)) != 0)) {
                const std::u16string copy =
                    KeepDatedCopy(files_, path_, CopyKind::Conflict, Now(), *theirs);
                Tell(u"Two versions of your phrases",
                     FileNameOf(path_) +
                         u" was changed by another program while your changes waited to be "
                         u"saved. Yours are saved; the other version is kept beside it in " +
                         FileNameOf(copy) + u".");
            }
        }
    } else if (info && keepsOldFile_) {
        KeepBackup();
    }
    files_.WriteFileAtomic(path_, PhraseFileBytes(rows_));
    unsaved_ = loadFailed_ = keepsOldFile_ = false;
    firstUnsavedTick_.reset();
    settling_.reset();
    emptyStamp_.reset();
    known_ = CurrentStamp();
}

// A file of another kind stands at the path (put there by another program, or named so from
// the start): it is never written over without the user's yes. The rows stay; the user is told
// once.
bool PhraseFile::ForeignFileInTheWay(const FileInfo& info) {
    if (info.Stamp == known_ && !keepsOldFile_) return false; // ours, as written or loaded
    std::optional<std::string> bytes;
    try {
        bytes = files_.ReadFile(path_);
    } catch (const Error&) {
        return false; // the write says why it cannot go on
    }
    if (!bytes || !IsForeignFile(*bytes)) return false;
    firstUnsavedTick_.reset(); // tried again at the next change and at exit
    if (!foreignShown_) {
        foreignShown_ = true;
        Say(u"The phrase file \"" + path_ +
            u"\" holds no phrases: it is a file of another kind. Lumora leaves it as it is, and "
            u"changes to the phrases are not saved there. The Options window chooses another "
            u"phrase file.");
    }
    return true;
}

void PhraseFile::TryWrite() {
    try {
        Write();
        writeFailureShown_ = false;
    } catch (const std::exception&) {
        // Tried again at the next change and at exit, not at every tick.
        firstUnsavedTick_.reset();
        if (writeFailureShown_) return;
        writeFailureShown_ = true;
        if (report_) report_(std::current_exception());
    }
}

void PhraseFile::Tick(bool userEditing) {
    if (loading_ || busy_) return;
    FlagScope busy(busy_);
    const std::uint32_t now = clock_.TickCount();
    if (firstUnsavedTick_ && now - *firstUnsavedTick_ >= SaveDelayMs) TryWrite();
    bool look = false;
    if (lookAt_ && Reached(now, *lookAt_)) {
        lookAt_.reset();
        look = true;
    }
    if (pollIntervalMs_ && now - lastPollTick_ >= *pollIntervalMs_) {
        lastPollTick_ = now;
        look = true;
    }
    if (look) Look(userEditing, now);
}

std::optional<std::uint32_t> PhraseFile::NextTickDelayMs() {
    // A running Tick (an error box lets timers in) asks again once it has returned.
    if (loading_ || busy_) return std::nullopt;
    const std::uint32_t now = clock_.TickCount();
    std::optional<std::uint32_t> delay;
    auto consider = [&](std::uint32_t at) {
        const std::int32_t left = static_cast<std::int32_t>(at - now);
        const std::uint32_t ms = left > 0 ? static_cast<std::uint32_t>(left) : 0;
        if (!delay || ms < *delay) delay = ms;
    };
    if (firstUnsavedTick_) consider(*firstUnsavedTick_ + SaveDelayMs);
    if (lookAt_) consider(*lookAt_);
    if (pollIntervalMs_) consider(lastPollTick_ + *pollIntervalMs_);
    return delay;
}

void PhraseFile::Look(bool userEditing, std::uint32_t now) {
    const std::optional<FileStamp> stamp = CurrentStamp();
    if (stamp == known_) {
        settling_.reset();
        emptyStamp_.reset();
        return;
    }
    if (!stamp) {
        // Gone (moved away, or being replaced by a sync): an empty list is not loaded for it;
        // the rows are written again at the next change or at exit.
        known_.reset();
        settling_.reset();
        return;
    }
    // A program may still be writing it: act once it has stayed the same for a while.
    if (settling_ != stamp) {
        settling_ = stamp;
        LookIn(SettleMs);
        return;
    }
    if (unsaved_) {
        TryWrite();
        return;
    }
    if (userEditing) {
        LookIn(SettleMs);
        return;
    }
    Reload(*stamp, now);
}

void PhraseFile::Reload(const FileStamp& stamp, std::uint32_t now) {
    std::optional<std::string> bytes;
    try {
        bytes = files_.ReadFile(path_);
    } catch (const std::exception&) {
        // Unreadable for now: the rows stay, and the file is not written over unread.
        known_ = stamp;
        settling_.reset();
        keepsOldFile_ = true;
        if (report_) report_(std::current_exception());
        return;
    }
    if (!bytes) return;
    // Read into a list of its own: the rows change only for a file read whole.
    AbbreviationIndex freshIndex;
    PhraseList fresh;
    PhraseLoadResult result;
    bool whole = true;
    try {
        result = LoadPhrasesFromBytes(fresh, freshIndex, *bytes, maxPhrases_, {});
    } catch (const Error&) {
        whole = false;
    }
    const std::u16string name = FileNameOf(path_);
    if (whole && fresh.Count() == 0 && rows_.Count() != 0 && FileText(*bytes).IsBlank()) {
        // Emptied: a sync that replaces the file may do so for a moment. Given time to be
        // filled again, and if it stays empty, the rows stay and are written back later.
        if (emptyStamp_ != stamp) {
            emptyStamp_ = stamp;
            emptySince_ = now;
        }
        if (now - emptySince_ < EmptySettleMs) {
            LookIn(EmptySettleMs - (now - emptySince_));
            return;
        }
        known_ = stamp;
        settling_.reset();
        emptyStamp_.reset();
        loadFailed_ = true; // the file lacks the rows: written at the next change or at exit
        KeepRows(name + u" was emptied by another program. Lumora keeps its " +
                 Phrases(rows_.Count()) + u" and writes them back at the next change or at exit.");
        return;
    }
    known_ = stamp;
    settling_.reset();
    emptyStamp_.reset();
    if (!whole) {
        // Cut off or damaged (half-written, a sync gone wrong): the rows stay, and before the
        // file is next written over, it is kept as a backup.
        loadFailed_ = keepsOldFile_ = true;
        KeepRows(name +
                 u" was changed by another program but cannot be read whole (cut off or "
                 u"damaged). Lumora keeps its " +
                 Phrases(rows_.Count()) + u".");
        return;
    }
    std::vector<PhraseValue> values = ValuesOf(fresh);
    const std::size_t lost = MissingPhrases(ValuesOf(rows_), values);
    if (lost != 0 && !KeepRows(name + u" was changed by another program and lacks " +
                               Phrases(lost) + u" of the list.")) {
        // Without a copy the rows are not given up: they are written over the file at the next
        // change or at exit, and the file is kept as a backup first.
        loadFailed_ = keepsOldFile_ = true;
        return;
    }
    fresh.ClearPhrases();
    rows_.ClearPhrases();
    {
        AbbreviationIndex::LoadScope loading(index_);
        PhraseListBatch batch(rows_);
        for (PhraseValue& v : values)
            rows_.AppendPhrase(index_, v.Abbreviation, std::move(v.Text));
    }
    loadFailed_ = false;
    keepsOldFile_ = result.StoppedAtLimit;
}

std::optional<std::uint32_t> PollIntervalFor(FolderWatchReach reach) {
    if (reach == FolderWatchReach::Notified) return std::nullopt;
    return PhraseFile::SlowPollIntervalMs;
}

void PhraseFile::SaveAtExit() {
    if (loading_) return;
    if (!unsaved_ && !loadFailed_ && files_.Info(path_)) return;
    Write();
}

} // namespace lumora
