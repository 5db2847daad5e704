// The tag reader: reads the phrase file's tag language and hands each element to its callbacks.
#include "data/TagReader.h"

#include "platform/Error.h"
#include "platform/MessageText.h"
#include "platform/TextCase.h"
#include "platform/Utf.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
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

[[noreturn]] void Raise(std::initializer_list<std::u16string> parts) {
    std::u16string message;
    for (const auto& part : parts) {
        if (!message.empty()) message += u'\r';
        message += part;
    }
    throw TagSyntaxError(message);
}

void RewriteSecondLine(std::u16string& line) {
    std::size_t p = line.find(u"<phrases shortcut=");
    if (p == std::u16string::npos) return;
    std::size_t q = line.find(u'>', p + 9);
    if (q == std::u16string::npos) return;
    line.erase(p + 8, q - (p + 8));
}

struct ReadState {
    explicit ReadState(FileText& fileText) : text(fileText) {}
    PendingText pending;
    FileText& text;
    long long lineCounter = -1;
    bool ended = false;
    std::u16string line; // reused for every line
    bool LinesLeft() const { return !ended; }
    // The line numbered lineCounter; false (and no lines left) when the text has ended.
    bool FetchLine() {
        if (!text.NextLine(line)) {
            ended = true;
            return false;
        }
        if (lineCounter == 1) RewriteSecondLine(line);
        return true;
    }
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
                           u"Line: " + DecimalText(state.lineCounter + 1),
                           u"Column: " + DecimalText(static_cast<long long>(open))});
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
                       u"Line: " + DecimalText(state.lineCounter + 1),
                       u"Column: " + DecimalText(static_cast<long long>(open))});
            }
            if (depth >= MaxTagDepth) {
                Raise({u"XML Parsing Error: elements nested too deeply.",
                       u"Limit: " + DecimalText(MaxTagDepth), u"Found: <" + QuotedName(name) + u">",
                       u"Line: " + DecimalText(state.lineCounter + 1),
                       u"Column: " + DecimalText(static_cast<long long>(open))});
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
                       u"Line: " + DecimalText(state.lineCounter + 1),
                       u"Column: " + DecimalText(static_cast<long long>(open))});
            }
            open = pending.PosFrom(1, u'<');
            close = open > 0 ? pending.PosFrom(open + 1, u'>') : 0;
        }
        ++state.lineCounter;
        if (state.FetchLine()) {
            searchStart = pending.Length() + 2;
            pending.AppendLine(state.line);
        }
    }
    return false;
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

FileText::FileText(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        encoding_ = Encoding::Utf16LE;
        body_ = bytes.substr(2);
    } else if (bytes.substr(0, 2) == "\xFE\xFF") {
        encoding_ = Encoding::Utf16BE;
        body_ = bytes.substr(2);
    } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        encoding_ = Encoding::Utf8;
        body_ = bytes.substr(3);
    } else if (std::optional<bool> bigEndian = Utf16WithoutMark(bytes)) {
        encoding_ = *bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
        body_ = bytes;
    } else {
        encoding_ = Encoding::Ansi;
        body_ = bytes;
    }
}

bool FileText::Wide() const {
    return encoding_ == Encoding::Utf16LE || encoding_ == Encoding::Utf16BE;
}

std::size_t FileText::Units() const {
    // A file cut in the middle of a code unit ends in U+FFFD.
    return Wide() ? body_.size() / 2 + body_.size() % 2 : body_.size();
}

char16_t FileText::UnitAt(std::size_t i) const {
    const auto* b = reinterpret_cast<const unsigned char*>(body_.data());
    if (!Wide()) return b[i];
    if (2 * i + 1 >= body_.size()) return u'\uFFFD';
    return encoding_ == Encoding::Utf16LE ? static_cast<char16_t>(b[2 * i + 1] << 8 | b[2 * i])
                                          : static_cast<char16_t>(b[2 * i] << 8 | b[2 * i + 1]);
}

void FileText::Decode(std::size_t begin, std::size_t end, std::u16string& out) const {
    switch (encoding_) {
    case Encoding::Utf8:
        out = Utf8ToUtf16(body_.substr(begin, end - begin));
        return;
    case Encoding::Ansi:
        out = AnsiToUtf16(body_.substr(begin, end - begin));
        return;
    case Encoding::Utf16LE:
        if constexpr (std::endian::native == std::endian::little) {
            // The stored units are the text; only a cut last unit needs decoding.
            const std::size_t whole = std::min(end, body_.size() / 2);
            out.resize(end - begin);
            if (whole > begin)
                std::memcpy(out.data(), body_.data() + 2 * begin, 2 * (whole - begin));
            for (std::size_t i = std::max(whole, begin); i < end; ++i)
                out[i - begin] = UnitAt(i);
            return;
        }
        [[fallthrough]];
    case Encoding::Utf16BE:
        out.resize(end - begin);
        for (std::size_t i = begin; i < end; ++i)
            out[i - begin] = UnitAt(i);
        return;
    }
}

bool FileText::NextLine(std::u16string& line) {
    if (ended_) return false;
    const std::size_t units = Units();
    const std::size_t start = at_;
    std::size_t i = start;
    while (i < units) {
        const char16_t c = UnitAt(i);
        if (c == u'\r' || c == u'\n' || c == u'\0') break;
        ++i;
    }
    if (i == units || UnitAt(i) == u'\0') {
        // The text ends here; a last line without a break still counts.
        ended_ = true;
        if (i == start) return false;
        Decode(start, i, line);
        return true;
    }
    Decode(start, i, line);
    at_ = i + 1;
    if (UnitAt(i) == u'\r' && at_ < units && UnitAt(at_) == u'\n') ++at_;
    return true;
}

std::optional<long long> FileText::LineOfNulInsideText() const {
    const std::size_t units = Units();
    std::size_t nul = 0;
    while (nul < units && UnitAt(nul) != u'\0')
        ++nul;
    std::size_t after = nul;
    while (after < units && UnitAt(after) == u'\0')
        ++after;
    if (after == units) return std::nullopt; // no NUL, or a tail of NULs only
    long long line = 1;
    for (std::size_t i = 0; i < nul; ++i) {
        const char16_t c = UnitAt(i);
        if (c == u'\n' || (c == u'\r' && (i + 1 >= units || UnitAt(i + 1) != u'\n'))) ++line;
    }
    return line;
}

bool FileText::IsBlank() const {
    const std::size_t units = Units();
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t c = UnitAt(i);
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') return false;
    }
    return true;
}

std::vector<std::u16string> ReadTextLines(std::string_view bytes) {
    FileText text(bytes);
    std::vector<std::u16string> lines;
    std::u16string line;
    while (text.NextLine(line))
        lines.push_back(line);
    return lines;
}

void ReadTags(FileText& text, const TagOpenedEvent& opened, const TagClosedEvent& closed) {
    ReadState state(text);
    Tag root{u"", u"", opened, closed};
    ReadTag(root, state, 0);
}

void ReadTags(std::string_view bytes, const TagOpenedEvent& opened, const TagClosedEvent& closed) {
    FileText text(bytes);
    ReadTags(text, opened, closed);
}

} // namespace lumora
