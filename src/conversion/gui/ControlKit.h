#pragma once
// Small helpers shared by the conversion dialog and its More Options windows.

#include <QSlider>
#include <QSpinBox>
#include <QString>

#include "conversion/ParamControls.h"

namespace velmora {

// A horizontal track bar with a control's range and default.
inline QSlider* MakeTrackBar(const IntControl& c, const char* name, QWidget* parent) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(c.Min, c.Max);
    s->setValue(c.Default);
    s->setPageStep(std::max(1, (c.Max - c.Min) / 20));
    return s;
}

// A spin edit with a control's range and default.
inline QSpinBox* MakeSpinEdit(const IntControl& c, const char* name, QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(c.Min, c.Max);
    s->setValue(c.Default);
    s->setMinimumWidth(64);
    return s;
}

// Whether a spin edit holds a number at all (it is empty while the user retypes it).
inline bool HasText(const QSpinBox* s) { return !s->cleanText().trimmed().isEmpty(); }

}  // namespace velmora
