#include "PropertyBag.h"

#include <QDataStream>
#include <QIODevice>
#include <QMap>
#include <QString>

namespace imbinder {
namespace {

// Identifies the bytes as a bag, so that other bytes are not taken for one.
constexpr quint32 kBagMark = 0x50424147;  // "PBAG"

}  // namespace

QVariant PropertyBag::ReadProperty(const std::string& name, const QVariant& defaultValue) const {
    const auto found = values_.find(name);
    return found == values_.end() ? defaultValue : found->second;
}

void PropertyBag::WriteProperty(const std::string& name, const QVariant& value,
                                const QVariant& defaultValue) {
    if (value == defaultValue) {
        values_.erase(name);
    } else {
        values_[name] = value;
    }
}

bool PropertyBag::Contains(const std::string& name) const { return values_.count(name) != 0; }

QByteArray PropertyBag::Contents() const {
    QMap<QString, QVariant> values;
    for (const auto& [name, value] : values_) values.insert(QString::fromStdString(name), value);
    QByteArray contents;
    QDataStream out(&contents, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kBagMark << values;
    return contents;
}

PropertyBag PropertyBag::FromContents(const QByteArray& contents) {
    QDataStream in(contents);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 mark = 0;
    QMap<QString, QVariant> values;
    in >> mark;
    if (mark != kBagMark) return {};
    in >> values;
    if (in.status() != QDataStream::Ok) return {};
    PropertyBag bag;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        bag.values_[it.key().toStdString()] = it.value();
    return bag;
}

}  // namespace imbinder
