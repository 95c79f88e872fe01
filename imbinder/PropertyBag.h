// The saved properties of a control, kept with the window that hosts it: each value under its
// name, a value equal to its default left out, so a control saved with its defaults stores
// nothing and picks up a changed default when it is read back.
#pragma once

#include <QByteArray>
#include <QVariant>
#include <map>
#include <string>

namespace imbinder {

class PropertyBag {
  public:
    // The value stored under name, or defaultValue when none is.
    QVariant ReadProperty(const std::string& name, const QVariant& defaultValue) const;
    // Stores value under name; a value equal to defaultValue is not stored (and drops an
    // earlier one), so reading it back gives the default.
    void WriteProperty(const std::string& name, const QVariant& value,
                       const QVariant& defaultValue);
    bool Contains(const std::string& name) const;

    // The stored values as bytes for the host's saved layout, and back. Bytes that do not
    // read as a bag give an empty bag, so every property takes its default.
    QByteArray Contents() const;
    static PropertyBag FromContents(const QByteArray& contents);

  private:
    std::map<std::string, QVariant> values_;
};

}  // namespace imbinder
