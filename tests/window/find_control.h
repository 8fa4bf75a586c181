#pragma once

#include <QLatin1String>
#include <QWidget>
#include <QtGlobal>

// The control of `form` with the object name `name`; a test without it
// cannot go on.
template <typename T>
T* FindControl(QWidget& form, const char* name) {
    T* widget = form.findChild<T*>(QLatin1String(name));
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
}
