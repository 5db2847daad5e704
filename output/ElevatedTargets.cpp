// Tells targets that run above us apart, and says once per program why nothing is typed there.
#include "output/ElevatedTargets.h"

namespace lumora {

namespace {

// The file name of an executable's path.
std::u16string FileName(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

} // namespace

ElevatedTargets::ElevatedTargets(WindowQueries& windows, ProcessQueries& processes,
                                 TrayNotices& notices)
    : windows_(windows), processes_(processes), notices_(notices) {}

std::optional<std::uint32_t> ElevatedTargets::LevelOf(HWindow target) {
    return level_.Get(windows_, target, [&] { return processes_.IntegrityLevel(target); });
}

bool ElevatedTargets::MayTypeInto(HWindow target) {
    if (target == 0) return true;
    const auto theirs = LevelOf(target);
    const auto ours = processes_.OwnIntegrityLevel();
    if (!theirs || !ours || *theirs <= *ours) return true;

    const std::u16string program = processes_.ProgramPath(target);
    if (told_.insert(program).second) {
        const std::u16string name = program.empty() ? u"This program" : FileName(program);
        notices_.ShowNotice(u"Lumora cannot type here",
                            name + u" runs as administrator, and Windows keeps programs that do "
                                   u"not from typing into it. To expand abbreviations there, "
                                   u"start Lumora as administrator too (right-click "
                                   u"lumora.exe, \"Run as administrator\").");
    }
    return false;
}

} // namespace lumora
