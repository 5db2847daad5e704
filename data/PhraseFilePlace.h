#pragma once
// Whether a path can hold the phrase file, asked at start before anything is read or written
// there: a device, a folder, one of the program's own files or a file of another kind must
// never be replaced by a list of phrases.
#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// A file that holds something (not only blanks and NULs) and no phrase element anywhere: not a
// phrase file, and never one (a damaged phrase file keeps some of its tags, a zeroed one holds
// nothing at all).
bool IsForeignFile(std::string_view bytes);

enum class PlaceVerdict {
    Usable,
    Unreachable, // its folder is missing or cannot be reached now; the file may come later
    Unusable,    // it can never hold the phrases
};

struct PlaceCheck {
    PlaceVerdict Verdict = PlaceVerdict::Usable;
    std::u16string Reason; // why, in words that follow "The phrase file PATH "
    // A file of another kind (not one of the program's own): the user may still choose to
    // have it replaced by the phrases.
    bool OfAnotherKind = false;
};

// ownFiles: the program's own files (lumora.exe, lumora.dll, lumora.ini), full paths.
PlaceCheck CheckPhraseFilePlace(FileSystem& files, const std::u16string& path,
                                const std::vector<std::u16string>& ownFiles);

// The phrase file of this run: the configured one when it can be used, or kept when it cannot
// be reached now (its phrases are loaded once it can); else the fallback (the default file
// beside the program), or none at all when that cannot be used either. The message says what
// is wrong, once, at start; empty when nothing is.
struct PhraseFileChoice {
    std::optional<std::u16string> Path;
    std::u16string Message;
};
PhraseFileChoice ChoosePhraseFile(FileSystem& files, const std::u16string& configured,
                                  const std::u16string& fallback,
                                  const std::vector<std::u16string>& ownFiles);

} // namespace lumora
