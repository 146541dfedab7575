// Which health handler each event of the health page's controls calls.
#include "app/TForm1.h"
#include "ui/Guard.h"
#include "ui/ImageButton.h"

void TForm1::BindHealthEvents()
{
    using ui::guarded;
    connect(btnAddWeight, &QAbstractButton::clicked, this, guarded([this] { btnAddWeightClick(); }));
    connect(btnReCountBmiWHR, &QAbstractButton::clicked, this, guarded([this] { btnReCountBmiWHRClick(); }));
}
