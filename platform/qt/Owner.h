// The window that dialogs open over; shared by the Qt files of the platform layer.
#pragma once

class QDialog;
class QWidget;

namespace platform {

// The active modal window of ours when one is shown, else the owner window, else the active
// window; nullptr when there is none of these.
QWidget* DialogOwner();
// Runs the dialog modally over the owner (a dialog without a parent is lent to the owner for
// the showing) and raises it, even when another program is active.
int ExecOverOwner(QDialog& dialog);

}  // namespace platform
