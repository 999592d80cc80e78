#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QObject>

#include "base/FileTime.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QWidget;

namespace tv {

// Binds the controls of settings pages to the fields of their page models: each control shows
// its field, a change by the user goes into the field (or through a setter that applies the
// page's rule), and then every control shows the model again, enabled as its rule says. So a
// rule such as "upper case clears lower case" lives in the model alone. GUI thread.
class CPageBinder : public QObject {
  public:
    explicit CPageBinder(QObject* parent) : QObject(parent) {}

    QCheckBox* Check(QWidget* parent, int textId, bool& field, const char* name);
    QCheckBox* Check(QWidget* parent, int textId, std::function<bool()> get,
                     std::function<void(bool)> set, const char* name);
    QLineEdit* Edit(QWidget* parent, std::string& field, const char* name);
    QSpinBox* Spin(QWidget* parent, int min, int max, int& field, const char* name);
    QComboBox* Choice(QWidget* parent, const std::vector<int>& textIds, int& field,
                      const char* name);
    // One radio button per text; the field holds the index of the checked one.
    std::vector<QRadioButton*> Radios(QWidget* parent, const std::vector<int>& textIds,
                                      std::function<int()> get, std::function<void(int)> set,
                                      const char* name);
    QDateTimeEdit* DateTime(QWidget* parent, TaskTime& field, const char* name);
    QPushButton* Button(QWidget* parent, int textId, const char* name, std::function<void()> fn);
    // A label whose mnemonic moves the focus to `buddy`.
    QLabel* Label(QWidget* parent, int textId, QWidget* buddy = nullptr);
    static void Tip(QWidget* widget, int textId);

    // `widgets` are enabled only while `when` holds.
    void EnableWhen(std::vector<QWidget*> widgets, std::function<bool()> when);
    // Every control shows its field again, enabled by its rule.
    void Show();

  private:
    void Changed();

    std::vector<std::function<void()>> m_show;
    bool m_bShowing = false;
};

// A text of the string table as Qt takes it.
QString TextOf(int id);

}  // namespace tv
