// The tag reader and the phrase-file loader on arbitrary bytes: any outcome but a crash, a
// hang or a sanitizer report is fine; a load may only fail as malformed (TagSyntaxError) or
// damaged (DamagedFileError).
#include "data/PhraseFile.h"
#include "platform/Error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    AbbreviationIndex index;
    PhraseList rows;
    try {
        LoadPhrasesFromBytes(rows, index, bytes, 0xFFFFFFFFu, {});
    } catch (const TagSyntaxError&) {
    } catch (const DamagedFileError&) {
    }
    // Whatever was loaded must save and load back to the same phrases.
    std::string saved = PhraseFileBytes(rows);
    AbbreviationIndex again;
    PhraseList reloaded;
    LoadPhrasesFromBytes(reloaded, again, saved, 0xFFFFFFFFu, {});
    if (reloaded.Count() != rows.Count()) __builtin_trap();
    // Lone surrogates become U+FFFD in the file, so the comparison is of the saved bytes.
    if (PhraseFileBytes(reloaded) != saved) __builtin_trap();
    rows.ClearPhrases();
    if (index.Count() != 0) __builtin_trap();
    return 0;
}
