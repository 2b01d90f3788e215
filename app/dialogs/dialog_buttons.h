#pragma once

class QDialog;
class QRect;

namespace mirelo {

// "OK", the default button: closes the dialog accepted.
void AddOkButton(QDialog* dialog, const QRect& geometry);
// "Cancel": closes the dialog rejected.
void AddCancelButton(QDialog* dialog, const QRect& geometry);

}  // namespace mirelo
