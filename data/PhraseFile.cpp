// The phrase file of the running program: loads it, writes each change a second later, keeps
// backups and conflict copies, and takes in changes made by other programs.
#include "data/PhraseFile.h"

#include "data/TagWriter.h"

#include <limits>
#include <memory>

namespace lumora {

namespace {

std::u16string Number(long long n) {
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

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
                                 Number(child->Line) + u"\rColumn: " + Number(child->Column));
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
                               Number(*line) + u", long before its end.");
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

PhraseFile::PhraseFile(FileSystem& files, Clock& clock, std::u16string path, PhraseList& rows,
                       AbbreviationIndex& index, ErrorReport report)
    : files_(files), clock_(clock), path_(std::move(path)), rows_(rows), index_(index),
      report_(std::move(report)) {}

std::u16string PhraseFile::BackupPath(std::size_t phrases) const {
    return path_ + u"." + Number(static_cast<long long>(phrases)) + u"-phrases.bak";
}

std::optional<FileStamp> PhraseFile::CurrentStamp() {
    std::optional<FileInfo> info = files_.Info(path_);
    if (!info) return std::nullopt;
    return info->Stamp;
}

PhraseLoadResult PhraseFile::Load(std::uint32_t maxPhrases,
                                  const std::function<void()>& processMessages) {
    FlagScope loading(loading_);
    maxPhrases_ = maxPhrases;
    stopRequested_ = false;
    unsaved_ = false;
    firstUnsavedTick_.reset();
    settling_.reset();
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

void PhraseFile::Say(const std::u16string& message) {
    if (report_) report_(std::make_exception_ptr(Error(message)));
}

std::u16string PhraseFile::KeepBackup() {
    std::optional<std::string> current = files_.ReadFile(path_);
    if (!current) return {};
    std::optional<std::string> backup = files_.ReadFile(BackupPath());
    if (!backup) {
        files_.CopyFile(path_, BackupPath());
        return BackupPath();
    }
    if (*backup == *current) return BackupPath();
    const PhraseCount now = CountPhrases(*current);
    const PhraseCount before = CountPhrases(*backup);
    // A backup gives way only to one as full; one that cannot be read whole is kept as it is.
    if (before.Whole && now.Phrases >= before.Phrases) {
        files_.CopyFile(path_, BackupPath());
        return BackupPath();
    }
    const std::u16string fuller = BackupPath(now.Phrases);
    std::optional<std::string> kept = files_.ReadFile(fuller);
    if (!kept || *kept != *current) files_.CopyFile(path_, fuller);
    return fuller;
}

std::u16string PhraseFile::KeepOldFileNow() {
    return KeepBackup();
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
    if (info && info->Stamp != known_) {
        // Another program wrote it since: its version is kept beside ours.
        files_.CopyFile(path_, ConflictPath());
    } else if (info && keepsOldFile_) {
        KeepBackup();
    }
    files_.WriteFileAtomic(path_, PhraseFileBytes(rows_));
    unsaved_ = loadFailed_ = keepsOldFile_ = false;
    firstUnsavedTick_.reset();
    settling_.reset();
    known_ = CurrentStamp();
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
    if (now - lastPollTick_ >= PollIntervalMs) {
        lastPollTick_ = now;
        Poll(userEditing);
    }
}

void PhraseFile::Poll(bool userEditing) {
    const std::optional<FileStamp> stamp = CurrentStamp();
    if (stamp == known_) {
        settling_.reset();
        return;
    }
    if (!stamp) {
        // Gone (moved away, or being replaced by a sync): an empty list is not loaded for it;
        // the rows are written again at the next change or at exit.
        known_.reset();
        settling_.reset();
        return;
    }
    // A program may still be writing it: act once it has stayed the same for a poll.
    if (settling_ != stamp) {
        settling_ = stamp;
        return;
    }
    if (unsaved_) {
        TryWrite();
        return;
    }
    if (userEditing) return;
    settling_.reset();
    Reload(*stamp);
}

void PhraseFile::Reload(const FileStamp& stamp) {
    std::optional<std::string> bytes;
    try {
        bytes = files_.ReadFile(path_);
    } catch (const std::exception&) {
        // Unreadable for now: the rows stay, and the file is not written over unread.
        known_ = stamp;
        keepsOldFile_ = true;
        if (report_) report_(std::current_exception());
        return;
    }
    if (!bytes) return;
    known_ = stamp;
    loadFailed_ = keepsOldFile_ = true;
    PhraseLoadResult result;
    {
        FlagScope loading(loading_);
        try {
            result = LoadPhrasesFromBytes(rows_, index_, *bytes, maxPhrases_, {});
        } catch (const std::exception&) {
            if (report_) report_(std::current_exception());
            return;
        }
    }
    loadFailed_ = false;
    keepsOldFile_ = result.StoppedAtLimit;
}

void PhraseFile::SaveAtExit() {
    if (loading_) return;
    if (!unsaved_ && !loadFailed_ && files_.Info(path_)) return;
    Write();
}

} // namespace lumora
