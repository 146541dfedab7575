#include "Navigator.h"

#include "engine/DataSource.h"
#include "engine/Query.h"
#include "ui/Guard.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace ui {

Navigator::Navigator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, int> buttons[] = {{"|<", -2}, {"<", -1}, {">", 1}, {">|", 2}};
    for (const auto& [caption, step] : buttons) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromLatin1(caption));
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, ui::guarded([this, step = step] { move(step); }));
    }
}

void Navigator::move(int step)
{
    engine::Query* query = m_source && m_source->isEnabled() ? m_source->dataSet() : nullptr;
    if (!query || !query->isActive())
        return;
    switch (step) {
    case -2:
        query->first();
        break;
    case -1:
        query->prior();
        break;
    case 1:
        query->next();
        break;
    default:
        query->last();
    }
}

} // namespace ui
