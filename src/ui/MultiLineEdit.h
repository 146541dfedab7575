#pragma once

#include <QPlainTextEdit>

namespace ui {

// A multi-line field whose lines are read one by one. Lines do not wrap, so a line is
// always one line of the text.
class MultiLineEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit MultiLineEdit(QWidget* parent = nullptr);
    // The lines without their breaks; a final line break adds no empty line.
    QStringList lines() const;
};

} // namespace ui
