#include "output/KeyBdMini.h"

namespace lumora {

void SendKeys(Platform& platform, const std::vector<std::int32_t>& Keys, bool Down, bool Extended) {
    for (std::int32_t key : Keys) {
        KeyEvent e;
        e.Vk = static_cast<std::uint16_t>(key & 0xFFFF);
        e.Scan = static_cast<std::uint16_t>(platform.Input.MapVirtualKey(e.Vk));
        e.Flags = (Down ? 0u : KEYEVENTF_KEYUP) | (Extended ? KEYEVENTF_EXTENDEDKEY : 0u);
        e.Time = 0; // the system stamps it
        e.ExtraInfo = platform.Input.MessageExtraInfo();
        platform.Input.SendInput(e);
        platform.Messages.ProcessPendingMessages();
    }
}

} // namespace lumora
