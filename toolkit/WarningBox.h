// The program's warning: string `nIDText` in a modal box titled with the application's name, with
// an OK button. Returns when the user closes it.
#pragma once

class QWidget;

class QString;

void ShowWarningBox(QWidget* pParent, unsigned nIDText);
// The same with a text already formatted.
void ShowWarningBox(QWidget* pParent, const QString& text);
