// Alt keys of a window: every letter once, and every label with one leads to a field.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QChar>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <set>
#include <vector>

namespace tvtest {

// The letters of a window's mnemonics; each label that has one names the field it leads to.
inline std::vector<QChar> Mnemonics(QWidget& window) {
    std::vector<QChar> letters;
    const auto take = [&](const QString& text) {
        const qsizetype at = text.indexOf('&');
        if (at >= 0 && at + 1 < text.size() && text[at + 1] != '&') {
            letters.push_back(text[at + 1].toLower());
        }
    };
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

}  // namespace tvtest
