// "Save list as...": asks for a file name and a format, asks before replacing a file, writes the
// list's rows there and says why when it could not.
#pragma once

#include <QString>

#include <functional>

class CExtTableModel;
class QWidget;

// Window's thread only. The window and the table outlive this.
class CListSaver {
public:
    CListSaver(QWidget& window, const CExtTableModel& table);

    // The file dialog's filter chooses the format; a name typed without an ending gets the
    // filter's. `root` is the folder the rows were counted below, as typed.
    void SaveAs(const QString& root);
    // Writes to path (CSV, or JSON when the name ends in .json); a failure shows the warning.
    // True when saved.
    bool SaveTo(const QString& path, const QString& root);

    // Tests: asked for the name instead of the file dialog: it gets the folder the dialog would
    // start in and the filter chosen (in and out), and returns the name typed, empty when cancelled.
    using NameChooser = std::function<QString(const QString& startFolder, QString& chosenFilter)>;
    void SetNameChooserForTesting(NameChooser chooser) { m_chooseName = std::move(chooser); }

private:
    QString ChooseName(QString& chosenFilter);
    bool ConfirmReplace(const QString& path);
    bool Save(const QString& path, bool bJson, const QString& root);

    QWidget& m_window;
    const CExtTableModel& m_table;
    QString m_lastFolder;   // where the last list was saved; the home folder before
    NameChooser m_chooseName;
};
