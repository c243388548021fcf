#pragma once

class QComboBox;
class QDateEdit;
class QLineEdit;
class QWidget;

// The look of the editable controls on a face: dark rounded-border fields and a pop-up
// picker that read well on the frosted card.
namespace FieldStyle {

// A field takes the keyboard when clicked, never just because the overlay appeared.
// Every apply function below does this.
void takeFocusOnClick(QWidget *field);
void applyTextField(QLineEdit *field);
void applyDateField(QDateEdit *field);
void applyPicker(QComboBox *picker);
// Dark palette for pop-ups (menus, calendars) that open from the face's controls.
void applyDarkPalette(QWidget *widget);

} // namespace FieldStyle
