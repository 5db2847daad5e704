#include "data/PhraseFilePlace.h"

#include "platform/Error.h"
#include "platform/TextCase.h"

#include <algorithm>
#include <array>

namespace lumora {

namespace {

std::u16string_view LastComponent(std::u16string_view path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string FolderOf(std::u16string_view path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    return std::u16string(slash == std::u16string_view::npos ? u"" : path.substr(0, slash));
}

// The device a file name stands for in any folder (NUL, CON, COM1.txt, "aux "), or empty.
std::u16string DeviceName(std::u16string_view name) {
    std::u16string base(name.substr(0, name.find(u'.')));
    while (!base.empty() && base.back() == u' ')
        base.pop_back();
    for (char16_t& c : base)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    static constexpr std::array<std::u16string_view, 6> plain{u"CON", u"PRN",    u"AUX",
                                                              u"NUL", u"CONIN$", u"CONOUT$"};
    if (std::find(plain.begin(), plain.end(), base) != plain.end()) return base;
    // COM1 to COM9, LPT1 to LPT9, and the superscript digits Windows also reserves.
    if (base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT"))) {
        const char16_t d = base[3];
        if ((d >= u'0' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3')
            return base;
    }
    return {};
}

// The path with one kind of separator, without the long-path prefix, "." and "x\.." taken
// out: two spellings of one file compare equal.
std::u16string Normalized(std::u16string_view path) {
    std::u16string p(path);
    std::replace(p.begin(), p.end(), u'/', u'\\');
    if (p.starts_with(u"\\\\?\\UNC\\"))
        p = u"\\\\" + p.substr(8);
    else if (p.starts_with(u"\\\\?\\"))
        p = p.substr(4);
    std::vector<std::u16string> parts;
    std::size_t at = 0;
    const bool share = p.starts_with(u"\\\\");
    std::u16string lead = share ? u"\\\\" : u"";
    if (share) at = 2;
    while (at <= p.size()) {
        std::size_t end = p.find(u'\\', at);
        if (end == std::u16string::npos) end = p.size();
        const std::u16string part = p.substr(at, end - at);
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != u".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::u16string out = lead;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? u"\\" : u"") + parts[i];
    return out;
}

bool SamePath(std::u16string_view a, std::u16string_view b) {
    const std::u16string x = Normalized(a), y = Normalized(b);
    return x.size() == y.size() && CompareTextInvariant(x, y) == 0;
}

bool Contains(std::string_view bytes, std::string_view what) {
    return bytes.find(what) != std::string_view::npos;
}

std::string Wide(std::string_view ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        if (bigEndian) out += '\0';
        out += c;
        if (!bigEndian) out += '\0';
    }
    return out;
}

} // namespace

bool IsForeignFile(std::string_view bytes) {
    const bool blank = std::all_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b == 0 || b == ' ' || b == '\t' || b == '\r' || b == '\n' || b == 0xFF ||
               b == 0xFE || b == 0xEF || b == 0xBB || b == 0xBF;
    });
    if (blank) return false;
    constexpr std::string_view tag = "<phrase";
    return !Contains(bytes, tag) && !Contains(bytes, Wide(tag, false)) &&
           !Contains(bytes, Wide(tag, true));
}

PlaceCheck CheckPhraseFilePlace(FileSystem& files, const std::u16string& path,
                                const std::vector<std::u16string>& ownFiles) {
    auto unusable = [](std::u16string reason) {
        return PlaceCheck{PlaceVerdict::Unusable, std::move(reason)};
    };
    const std::u16string_view name = LastComponent(path);
    if (name.empty() || name == u"." || name == u"..")
        return unusable(u"names a folder, not a file");
    if (path.starts_with(u"\\\\.\\") || path.starts_with(u"//./"))
        return unusable(u"names a device, not a file");
    if (const std::u16string device = DeviceName(name); !device.empty())
        return unusable(u"is the device " + device + u" of Windows, not a file");
    for (const std::u16string& own : ownFiles)
        if (SamePath(path, own)) return unusable(u"is one of Lumora's own files");
    switch (files.Kind(path)) {
    case PathKind::Folder:
        return unusable(u"is a folder, not a file");
    case PathKind::Unreachable:
        return {PlaceVerdict::Unreachable, u"cannot be reached: its folder " + FolderOf(path) +
                                               u" does not exist or is not available now"};
    case PathKind::Missing:
        return {};
    case PathKind::File:
        break;
    }
    std::optional<std::string> bytes;
    try {
        bytes = files.ReadFile(path);
    } catch (const Error&) {
        return {}; // locked for now: the load says so, and nothing is written over it unread
    }
    if (bytes && IsForeignFile(*bytes)) {
        PlaceCheck check = unusable(u"holds no phrases: it is a file of another kind");
        check.OfAnotherKind = true;
        return check;
    }
    return {};
}

PhraseFileChoice ChoosePhraseFile(FileSystem& files, const std::u16string& configured,
                                  const std::u16string& fallback,
                                  const std::vector<std::u16string>& ownFiles) {
    const PlaceCheck check = CheckPhraseFilePlace(files, configured, ownFiles);
    const std::u16string what = u"The phrase file " + configured + u" " + check.Reason;
    switch (check.Verdict) {
    case PlaceVerdict::Usable:
        return {configured, u""};
    case PlaceVerdict::Unreachable:
        return {configured, what + u".\n\nLumora starts with no phrases for now, and loads them "
                                   u"once the file can be reached."};
    case PlaceVerdict::Unusable:
        break;
    }
    if (!SamePath(configured, fallback) &&
        CheckPhraseFilePlace(files, fallback, ownFiles).Verdict != PlaceVerdict::Unusable) {
        return {fallback, what + u".\n\nLumora leaves it as it is, and keeps the phrases in " +
                              fallback +
                              u" for now. The Options window chooses another phrase file."};
    }
    return {std::nullopt, what + u".\n\nLumora leaves it as it is, and keeps no phrases this time. "
                                 u"The Options window chooses another phrase file."};
}

} // namespace lumora
