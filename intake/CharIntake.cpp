// Character intake: puts each typed character into the shadow text and looks for an
// abbreviation before the caret.
#include "intake/CharIntake.h"

#include "data/Phrase.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <utility>

namespace lumora {

namespace {

constexpr char16_t DEL = 127;

} // namespace

CharIntake::CharIntake(TrackingRecords& tracking, CandidateSearch& search, const EditKeys& editKeys,
                       std::optional<PendingExpansion>& decided)
    : tracking_(tracking), search_(search), editKeys_(editKeys), decided_(decided) {}

void CharIntake::HandleTypedChar(char16_t ch, std::uint8_t vk, std::uint32_t report) {
    const bool withheld = IsWithheldKey(ch, vk);
    const bool keepBefore = std::exchange(keepBefore_, false);
    try {
        TrackingRecord* rec = tracking_.CurrentRecord();
        if (!rec) return;
        auto hold = tracking_.HoldRecords();
        TrackingRecord& r = *rec;

        if (ch == DEL) {
            // Ctrl+Backspace (the hook reports the Backspace key with this character): a word
            // is gone, and we cannot tell how much of it.
            TrackingRecords::ResetRecord(&r);
            return;
        }

        r.Pos = CaretInText(r);
        if (r.SelCount > 0) {
            EraseSelection(r);
            r.Pos = CaretInText(r);
        }

        // Only the window of the search and the character before it can matter.
        std::u16string& typed = typed_;
        const auto keep = static_cast<std::int32_t>(SearchedLength + 1);
        const std::int32_t from = std::max(0, r.Pos - keep);
        typed.assign(r.Text, static_cast<std::size_t>(from),
                     static_cast<std::size_t>(r.Pos - from));
        char16_t trail = u'\0';
        bool haveTrail = false;
        std::size_t firstPass = 0;
        bool found = false;
        try {
            if (vk == vk::Back) {
                // Backspace inserts nothing: the text before the caret may now end in one.
                if (!typed.empty()) {
                    trail = typed.back();
                    haveTrail = true;
                }
            } else {
                trail = ch;
                haveTrail = true;
                typed.push_back(ch);
            }
            firstPass = search_.FindAutotexts(found_, typed);
            if (keepBefore) found_.resize(firstPass);
            found = !found_.empty();
        } catch (...) {
            found = false; // a failing search is no match
        }
        Phrase* phrase = found ? found_.front() : nullptr;

        // Backspace inserts nothing; an Enter or Tab that completes a match is typed after
        // the phrase (and then observed).
        if (!(vk == vk::Back || ((vk == vk::Return || vk == vk::Tab) && found))) {
            r.Text.insert(static_cast<std::size_t>(r.Pos), 1, ch);
            r.Pos += 1;
            BoundText(r);
        }

        if (found) {
            // A match that ends with the typed character (first pass) has nothing after it to
            // erase and retype; one that the typed character follows (second pass) has. This
            // holds for every mode, not only the two built around each kind.
            const bool endsBeforeTrail = firstPass == 0;
            PendingExpansion e;
            e.Abbreviation = phrase->Abbreviation();
            if (endsBeforeTrail && haveTrail) e.Trail.assign(1, trail);
            // The abbreviation as typed stands right before the trail (a Backspace's trail is
            // the last character of the text).
            const std::size_t after = endsBeforeTrail ? 1 : 0;
            if (typed.size() >= e.Abbreviation.size() + after)
                e.Typed = typed.substr(typed.size() - after - e.Abbreviation.size(),
                                       e.Abbreviation.size());
            e.Text = phrase->Text();
            e.CapsLock = editKeys_.LatestKeys().CapsLock;
            e.TrailWithheld = withheld && !e.Trail.empty();
            e.Report = report;
            e.Target = r.MainWindow;
            e.Control = tracking_.FindFocusedControl(r.MainWindow);
            decided_ = std::move(e);
        }

        if (!found && SentenceEndChars.find(ch) != std::u16string_view::npos &&
            r.Text.size() >= SentenceTrimLength) {
            // What stays is what stood after the caret; the caret is before it.
            r.Text.erase(0, static_cast<std::size_t>(CaretInText(r)));
            r.Pos = 0;
            r.SelStart = 0;
            r.SelCount = 0;
        }
    } catch (...) {
        // Nothing here may stop the intake; what the character did to the record stands.
    }
}

} // namespace lumora
