#include "editor/PhraseFileChoice.h"

#include "platform/Error.h"
#include "platform/MessageText.h"

#include <string>

namespace lumora {

namespace {

std::u16string Phrases(std::size_t n) {
    return DecimalText(n) + (n == 1 ? u" phrase" : u" phrases");
}

std::u16string FolderOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    if (slash == std::u16string::npos) return {};
    // "C:\x.lmx": the drive's root keeps its separator.
    if (slash == 2 && path.size() > 1 && path[1] == u':') return path.substr(0, 3);
    return path.substr(0, slash == 0 ? 1 : slash);
}

} // namespace

std::u16string PhraseFileLocationProblem(FileSystem& files, const std::u16string& path) {
    const std::u16string folder = FolderOf(path);
    if (folder.empty() || !files.FolderExists(folder))
        return u"The folder " + Quoted(folder.empty() ? path : folder) +
               u" does not exist. Choose a file in a folder that exists, or create the folder "
               u"first.";
    if (files.FolderExists(path))
        return Quoted(path) + u" is a folder. Choose a file, such as " +
               Quoted(path + u"\\lumora.lmx") + u".";
    try {
        files.TryCreateFileIn(folder);
    } catch (const Error& e) {
        return u"Lumora cannot keep the phrases in " + Quoted(path) + u": " + e.Message() +
               u"\r\nChoose a folder you may write to.";
    }
    const std::optional<FileInfo> info = files.Info(path);
    if (info && info->ReadOnly)
        return Quoted(path) +
               u" is read-only: Lumora could not save your changes there. Choose another "
               u"file, or clear its read-only mark first.";
    return {};
}

OptionsFormResult CheckPhraseFileLocation(OptionsFormResult result, FileSystem& files,
                                          const std::u16string& newPath) {
    if (!result.Ok() || !result.PhraseFileChanged) return result;
    std::u16string problem = PhraseFileLocationProblem(files, newPath);
    if (problem.empty()) return result;
    result.ErrorField = OptionsField::PhraseFile;
    result.Error = std::move(problem);
    return result;
}

std::u16string PhraseFileMoveQuestion(const std::u16string& oldPath, const std::u16string& newPath,
                                      std::size_t phrasesInList,
                                      std::optional<std::size_t> phrasesInNewFile) {
    std::u16string text = u"The phrases are kept in " + Quoted(newPath) + u" from now on.\r\n\r\n";
    text += u"Yes: the list's " + Phrases(phrasesInList) + u" are written there";
    if (phrasesInNewFile)
        text += u" in place of the " + Phrases(*phrasesInNewFile) +
                u" it holds (kept in a backup beside it)";
    text += u". " + Quoted(oldPath) + u" is left as it is.\r\n";
    text += u"No: the list is saved in " + Quoted(oldPath) + u" and left there; ";
    if (phrasesInNewFile)
        text += u"the list then holds the " + Phrases(*phrasesInNewFile) + u" of " +
                Quoted(newPath) + u".\r\n";
    else
        text += u"there is no file at " + Quoted(newPath) + u" yet, so the list starts empty.\r\n";
    text += u"Cancel: back to Options; nothing changes.";
    return text;
}

} // namespace lumora
