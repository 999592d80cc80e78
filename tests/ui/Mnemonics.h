// Alt keys of a window: every letter once, and every label with one leads to a field.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QChar>
#include <QKeySequence>
#include <QLabel>
#include <QRadioButton>
#include <QString>
#include <QTabBar>
#include <QWidget>
#include <algorithm>
#include <set>
#include <vector>

namespace tvtest {

// The letters of a window's mnemonics; each label that has one names the field it leads to.
inline void TakeMnemonic(const QString& text, std::vector<QChar>& letters) {
    const qsizetype at = text.indexOf('&');
    if (at >= 0 && at + 1 < text.size() && text[at + 1] != '&') {
        letters.push_back(text[at + 1].toLower());
    }
}

inline std::vector<QChar> Mnemonics(QWidget& window) {
    std::vector<QChar> letters;
    const auto take = [&](const QString& text) { TakeMnemonic(text, letters); };
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().contains('&')) {
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        }
        take(label->text());
    }
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        take(button->text());
    }
    return letters;
}

inline void ExpectDistinctMnemonics(QWidget& window, size_t atLeast) {
    const std::vector<QChar> letters = Mnemonics(window);
    const std::set<QChar> distinct(letters.begin(), letters.end());
    EXPECT_EQ(distinct.size(), letters.size()) << window.objectName().toStdString();
    EXPECT_GE(letters.size(), atLeast) << window.objectName().toStdString();
}

// Every button with a word on it and every label that leads to a field has an Alt key, and no
// letter serves two of them, a tab, or one of `around` (the keys of the window around them). A
// radio button needs none: Tab stops at its group's checked one and the arrows move it.
inline void ExpectAnAltKeyOnEveryControl(QWidget& window, const std::vector<QChar>& around = {}) {
    const auto needsKey = [](const QString& text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
    };
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!qobject_cast<QRadioButton*>(button) && needsKey(button->text())) {
            EXPECT_FALSE(QKeySequence::mnemonic(button->text()).isEmpty())
                << button->text().toStdString();
        }
    }
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->buddy()) {
            EXPECT_FALSE(QKeySequence::mnemonic(label->text()).isEmpty())
                << label->text().toStdString();
        }
    }
    std::vector<QChar> letters = Mnemonics(window);
    for (QTabBar* tabs : window.findChildren<QTabBar*>()) {
        for (int i = 0; i < tabs->count(); ++i) {
            TakeMnemonic(tabs->tabText(i), letters);
        }
    }
    letters.insert(letters.end(), around.begin(), around.end());
    const std::set<QChar> distinct(letters.begin(), letters.end());
    EXPECT_EQ(distinct.size(), letters.size())
        << QString(letters.data(), static_cast<qsizetype>(letters.size())).toStdString();
}

}  // namespace tvtest
