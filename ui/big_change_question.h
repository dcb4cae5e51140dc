// The window's question before a big run: a message box with the counts per
// kind and the two folders, "不同步" the default. Through a replaceable
// hook, as the other dialogs (dialogs.h), so tests answer it offscreen.
#pragma once

#include <functional>

#include <QString>

#include "engine/big_change.h"

class QWidget;

namespace ui {

// Modal question; true goes ahead. The default closes itself with "no" as
// soon as StopSync is set (a stop or close request meanwhile).
using BigChangeQuestion = std::function<bool(QWidget* parent, const QString& caption, const QString& text)>;
// An empty function restores the default. GUI thread only.
void setBigChangeQuestion(BigChangeQuestion hook);

// The caption and text of the change, asked through the hook. GUI thread.
bool askBigChange(QWidget* parent, const TBigChange& change);

}  // namespace ui
