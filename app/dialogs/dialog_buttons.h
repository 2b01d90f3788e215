#pragma once

class QDialog;
class QHBoxLayout;

namespace mirelo {

// A row holding "OK", the default button, which closes the dialog accepted, and
// "Cancel", which closes it rejected. Made before the dialog's other controls, so the
// buttons come first in the tab order.
QHBoxLayout* AddOkCancelButtons(QDialog* dialog);
// "OK" alone.
QHBoxLayout* AddOkButton(QDialog* dialog);

}  // namespace mirelo
