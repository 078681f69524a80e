#pragma once

#include "platform/listbox.h"

#include <QString>

namespace app {

class w_logon;

// The logon's hidden list box: the working list of the profile-file search, and the drives that
// it keeps when the logon opens.
class w_logon_lb_1 : public platform::ListBox {
    Q_OBJECT
public:
    explicit w_logon_lb_1(w_logon* parent);
    ~w_logon_lb_1() override;

    // Appends the full path of every pb.ini (letter case ignored) in `as_dir` and the folders
    // below it to the logon's is_files, counting them in its il_index. Each folder is listed
    // whole before the search goes down into its sub-folders one after the other, since every
    // level reuses this one list.
    Q_INVOKABLE void ue_get_ini(const QString& as_dir);

private:
    // Lists the drives and keeps the local hard drives' letters in the logon's is_drives.
    void constructor();

    w_logon* logon_;
};

} // namespace app
