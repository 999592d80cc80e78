#pragma once

#include <QComboBox>
#include <QString>
#include <string>

#include "base/StringTable.h"

namespace tv {

inline QString FtpText(int id) {
    return QString::fromStdString(LoadString(id));
}

// A choice list whose items are `count` texts from `firstId` on, in the order of the values
// they stand for.
inline QComboBox* MakeChoiceList(QWidget* parent, const char* name, int firstId, int count) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    for (int i = 0; i < count; ++i) {
        list->addItem(FtpText(firstId + i));
    }
    return list;
}

}  // namespace tv
