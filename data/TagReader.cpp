#include "data/TagReader.h"

#include "platform/Error.h"
#include "platform/TextCase.h"
#include "platform/Utf.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace lumora {

namespace {

// The text taken from the lines and not yet consumed by a tag. Consuming moves a start offset
// instead of erasing, so a long line of many tags costs linear time; positions are 1-based
// from the unconsumed start, as the error messages report them.
class PendingText {
public:
    std::size_t Length() const { return buffer_.size() - begin_; }
    std::u16string_view View() const { return std::u16string_view(buffer_).substr(begin_); }
    std::size_t PosFrom(std::size_t start, char16_t ch) const {
        return PosCharFrom(start, ch, View());
    }
    // Characters start..end-1 (1-based, end exclusive).
    std::u16string Between(std::size_t start, std::size_t end) const {
        return std::u16string(View().substr(start - 1, end - start));
    }
    void Consume(std::size_t count) {
        begin_ += count;
        if (begin_ > 4096 && begin_ > buffer_.size() / 2) {
            buffer_.erase(0, begin_);
            begin_ = 0;
        }
    }
    void AppendLine(const std::u16string& line) {
        buffer_ += u"\r\n";
        buffer_ += line;
    }

private:
    std::u16string buffer_;
    std::size_t begin_ = 0;
};

std::u16string Number(long long n) {
    std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

[[noreturn]] void Raise(std::initializer_list<std::u16string> parts) {
    std::u16string message;
    for (const auto& part : parts) {
        if (!message.empty()) message += u'\r';
        message += part;
    }
    throw TagSyntaxError(message);
}

struct ReadState {
    PendingText pending;
    std::vector<std::u16string>& lines;
    long long lineCounter = -1;
    bool LinesLeft() const { return lineCounter < static_cast<long long>(lines.size()); }
};

bool ReadTag(Tag& tag, ReadState& state, int depth) {
    PendingText& pending = state.pending;
    std::size_t searchStart = 1;
    while (state.LinesLeft()) {
        std::size_t open = pending.PosFrom(searchStart, u'<');
        std::size_t close = open > 0 ? pending.PosFrom(open + 1, u'>') : 0;
        while (open > 0 && close > 0 && open < close) {
            std::u16string name = pending.Between(open + 1, close);
            if (!name.empty() && name[0] == u'/') {
                name.erase(0, 1);
                if (name != tag.Name) {
                    Raise({u"XML Parsing Error: mismatched tag.",
                           u"Expected: </" + QuotedName(tag.Name) + u">",
                           u"Found: </" + QuotedName(name) + u">",
                           u"Line: " + Number(state.lineCounter + 1),
                           u"Column: " + Number(static_cast<long long>(open))});
                }
                tag.Text = pending.Between(1, open);
                if (tag.Closed) {
                    try {
                        tag.Closed(tag.Name, tag.Text);
                    } catch (const std::exception&) {
                        // A bad value in one element must not end the whole read.
                    }
                }
                pending.Consume(close);
                return true;
            }
            if (name.empty()) {
                Raise({u"XML Parsing Error: empty tag name.",
                       u"Line: " + Number(state.lineCounter + 1),
                       u"Column: " + Number(static_cast<long long>(open))});
            }
            if (depth >= MaxTagDepth) {
                Raise({u"XML Parsing Error: elements nested too deeply.",
                       u"Limit: " + Number(MaxTagDepth), u"Found: <" + QuotedName(name) + u">",
                       u"Line: " + Number(state.lineCounter + 1),
                       u"Column: " + Number(static_cast<long long>(open))});
            }
            pending.Consume(close);
            if (state.lineCounter == 0 && name.find(u"?xml") != std::u16string::npos) name = u"xml";
            Tag child{name,
                      u"",
                      tag.Opened,
                      tag.Closed,
                      state.lineCounter + 1,
                      static_cast<long long>(open)};
            if (tag.Opened) tag.Opened(&child);
            if (!ReadTag(child, state, depth + 1) && name != u"xml") {
                Raise({u"XML Parsing Error: no element found.",
                       u"Expected: </" + QuotedName(name) + u">",
                       u"Line: " + Number(state.lineCounter + 1),
                       u"Column: " + Number(static_cast<long long>(open))});
            }
            open = pending.PosFrom(1, u'<');
            close = open > 0 ? pending.PosFrom(open + 1, u'>') : 0;
        }
        ++state.lineCounter;
        if (state.LinesLeft()) {
            searchStart = pending.Length() + 2;
            pending.AppendLine(state.lines[static_cast<std::size_t>(state.lineCounter)]);
        }
    }
    return false;
}

void RewriteSecondLine(std::vector<std::u16string>& lines) {
    if (lines.size() < 2) return;
    std::u16string& line = lines[1];
    std::size_t p = line.find(u"<phrases shortcut=");
    if (p == std::u16string::npos) return;
    std::size_t q = line.find(u'>', p + 9);
    if (q == std::u16string::npos) return;
    line.erase(p + 8, q - (p + 8));
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    // A file cut in the middle of a code unit ends in U+FFFD.
    std::u16string out(bytes.size() / 2 + bytes.size() % 2, u'\uFFFD');
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const int high = bigEndian ? 0 : 1;
    for (std::size_t i = 0; i < bytes.size() / 2; ++i)
        out[i] = static_cast<char16_t>(in[2 * i + high] << 8 | in[2 * i + 1 - high]);
    return out;
}

// UTF-16 that lost its byte-order mark: text of the phrase file is mostly ASCII, so one byte
// of nearly every pair is NUL, always the same one. A zeroed block has NULs on both sides and
// counts for neither.
std::optional<bool> Utf16WithoutMark(std::string_view bytes) {
    const std::size_t pairs = std::min<std::size_t>(bytes.size() / 2, 256);
    if (pairs == 0) return std::nullopt;
    std::size_t lowNul = 0, highNul = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        const bool b0 = bytes[2 * i] == 0, b1 = bytes[2 * i + 1] == 0;
        if (!b0 && b1) ++highNul; // little-endian ASCII
        if (b0 && !b1) ++lowNul;  // big-endian ASCII
    }
    if (highNul * 4 >= pairs * 3) return false;
    if (lowNul * 4 >= pairs * 3) return true;
    return std::nullopt;
}

} // namespace

std::size_t PosCharFrom(std::size_t start, char16_t ch, std::u16string_view text) {
    if (start < 1) start = 1;
    if (start > text.size()) return 0;
    std::size_t p = text.find(ch, start - 1);
    return p == std::u16string_view::npos ? 0 : p + 1;
}

std::u16string QuotedName(std::u16string_view name) {
    if (name.size() <= MaxQuotedNameLength) return std::u16string(name);
    std::size_t n = MaxQuotedNameLength;
    if (IsHighSurrogate(name[n - 1])) --n; // never half a pair
    return std::u16string(name.substr(0, n)) + u"...";
}

std::u16string DecodeFileText(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
        return DecodeUtf16(bytes.substr(2), true);
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return Utf8ToUtf16(bytes.substr(3));
    if (std::optional<bool> bigEndian = Utf16WithoutMark(bytes))
        return DecodeUtf16(bytes, *bigEndian);
    return AnsiToUtf16(bytes);
}

std::vector<std::u16string> ReadTextLines(std::string_view bytes) {
    return SplitTextLines(DecodeFileText(bytes));
}

std::vector<std::u16string> SplitTextLines(std::u16string_view text) {
    std::size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) text = text.substr(0, nul);

    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

void ReadTagLines(std::vector<std::u16string>& lines, const TagOpenedEvent& opened,
                  const TagClosedEvent& closed) {
    RewriteSecondLine(lines);
    ReadState state{PendingText{}, lines};
    Tag root{u"", u"", opened, closed};
    ReadTag(root, state, 0);
}

void ReadTags(std::string_view bytes, const TagOpenedEvent& opened, const TagClosedEvent& closed) {
    std::vector<std::u16string> lines = ReadTextLines(bytes);
    ReadTagLines(lines, opened, closed);
}

} // namespace lumora
