#include "connect/w_logon_lb_1.h"

#include "connect/discovery.h"
#include "connect/w_logon.h"
#include "platform/dirlist.h"
#include "platform/events.h"
#include "platform/pointer.h"
#include "platform/windows.h"

#include <QStringList>

namespace app {

w_logon_lb_1::w_logon_lb_1(w_logon* parent) : platform::ListBox(parent), logon_(parent) {
    constructor();
}

w_logon_lb_1::~w_logon_lb_1() = default;

void w_logon_lb_1::constructor() {
    // 1. Drives only: no folder is read, so opening the logon never waits for a disk.
    DirList(QStringLiteral("*.*"), platform::DirListType::Drives);
    // 2.
    QStringList entries;
    for (int i = 1; i <= TotalItems(); ++i)
        entries.append(Text(i));
    for (const QString& letter : localDriveLetters(entries))
        logon_->is_drives.append(letter);
}

void w_logon_lb_1::ue_get_ini(const QString& as_dir) {
    QStringList ls_dirs;

    // 1.
    platform::SetMicroHelp(QStringLiteral("Please wait..."));
    platform::SetPointer(platform::Pointer::HourGlass);

    // 2. Files and sub-folders (48).
    DirList(as_dir + QStringLiteral("/*.*"),
            platform::DirListType::Directories | platform::DirListType::Archive);

    // 3.
    const int ll_count = TotalItems();
    for (int i = 1; i <= ll_count; ++i) {
        const QString ls_text = Text(i);
        if (ls_text.startsWith(u'[')) {
            if (ls_text == u"[..]")
                continue;
            const QString ls_name = ls_text.mid(1, ls_text.size() - 2);
            // Only a file whose name begins with "[" gives these; followed, they would lead back
            // to this folder or above it.
            if (ls_name.isEmpty() || ls_name == u"." || ls_name == u"..")
                continue;
            // A backslash is an ordinary character of a folder name here, but the search's
            // paths read it as a separator: a folder named "x\..\..\out" would lead out of
            // the folder searched, and one that names itself would be entered without end.
            if (ls_name.contains(u'/') || ls_name.contains(u'\\'))
                continue;
            ls_dirs.append(as_dir + u'/' + ls_name);
        } else if (ls_text.compare(u"pb.ini", Qt::CaseInsensitive) == 0) {
            ++logon_->il_index;
            logon_->is_files.set(logon_->il_index, as_dir + u'/' + ls_text);
        }
    }

    // 4. Depth first, once this folder's listing has been read whole.
    for (const QString& ls_dir : ls_dirs)
        platform::TriggerEvent(this, "ue_get_ini", ls_dir);

    // 5.
    ls_dirs.clear();
    platform::SetMicroHelp(QStringLiteral("Ready"));
    platform::SetPointer(platform::Pointer::Arrow);
}

} // namespace app
