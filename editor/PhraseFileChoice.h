#pragma once
// A new place for the phrase file, chosen in the Options window: whether Lumora can keep the
// phrases there (checked before anything is asked or changed), and the questions that say
// what each answer does.
#include "editor/OptionsForm.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <optional>
#include <string>

namespace lumora {

// Why Lumora cannot keep its phrases at path (empty when it can): the folder does not exist,
// a file cannot be created in it (tried), or what is there is read-only or not a file.
std::u16string PhraseFileLocationProblem(FileSystem& files, const std::u16string& path);

// The form's result, refused (on the phrase file's field, nothing applied) when the phrase
// file changed to a place PhraseFileLocationProblem finds fault with. newPath: the full path
// the new setting gives.
OptionsFormResult CheckPhraseFileLocation(OptionsFormResult result, FileSystem& files,
                                          const std::u16string& newPath);

// The question Yes / No / Cancel when the phrase file moves from oldPath to newPath:
// phrasesInNewFile is what a file at newPath holds, if there is one.
std::u16string PhraseFileMoveQuestion(const std::u16string& oldPath, const std::u16string& newPath,
                                      std::size_t phrasesInList,
                                      std::optional<std::size_t> phrasesInNewFile);

} // namespace lumora
