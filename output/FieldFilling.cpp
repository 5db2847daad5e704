// Fills a phrase's fields before anything is erased, and says why when one cannot be filled.
#include "output/FieldFilling.h"

#include "output/ClipboardText.h"

namespace lumora {

namespace {

class PlatformFieldValues final : public FieldValues {
public:
    PlatformFieldValues(Platform& platform, HWindow owner) : platform_(platform), owner_(owner) {}
    std::optional<std::u16string> Date(std::u16string_view picture) override {
        return platform_.Dates.FormatDate(Moment(), picture);
    }
    std::optional<std::u16string> Time(std::u16string_view picture) override {
        return platform_.Dates.FormatTime(Moment(), picture);
    }
    std::u16string ClipboardText() override {
        if (clipboard_) return *clipboard_;
        if (clipboardHeld_) return {};
        clipboard_ = TryReadClipboardText(platform_, owner_, FieldClipboardWaitMs);
        if (!clipboard_) clipboardHeld_ = true;
        return clipboard_.value_or(u"");
    }
    bool ClipboardHeld() const { return clipboardHeld_; }

private:
    const LocalTime& Moment() {
        if (!moment_) moment_ = platform_.Dates.CurrentTime();
        return *moment_;
    }

    Platform& platform_;
    HWindow owner_;
    std::optional<LocalTime> moment_;
    // Read once: a phrase with two clipboard fields types the same text twice.
    std::optional<std::u16string> clipboard_;
    bool clipboardHeld_ = false;
};

} // namespace

FilledPhrase FillPhrase(Platform& platform, HWindow owner, std::u16string_view text,
                        std::u16string_view trail) {
    PlatformFieldValues values(platform, owner);
    PhraseTyping::PreparedText prepared = PhraseTyping::Prepare(text, trail, &values);
    FilledPhrase out;
    if (values.ClipboardHeld())
        out.Failure = u"Another program held the clipboard, so its text could not be typed. The "
                      u"abbreviation was left as it was; type it again in a moment.";
    else
        out.Prepared = std::move(prepared);
    return out;
}

} // namespace lumora
