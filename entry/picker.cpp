#include "entry/picker.h"

PickerInputs g_picker;

bool OpenPicker() { return false; }
void ClosePicker() {}
