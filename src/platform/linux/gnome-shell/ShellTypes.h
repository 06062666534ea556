// What the interface of Quillet's GNOME Shell extension carries beyond the bus's own types; its
// generated proxy includes this.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

/// The clipboard's formats, each with its bytes.
using QuilletShellFormats = QMap<QString, QByteArray>;
