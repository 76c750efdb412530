// CNumberItem: a table cell that shows a count or byte number grouped ("75,006") and
// sorts by the number itself, not by its text.
#pragma once

#include <QTableWidgetItem>

#include <cstdint>

namespace quillora {

class CNumberItem : public QTableWidgetItem {
public:
    explicit CNumberItem(std::uint64_t value);

    std::uint64_t Value() const { return m_nValue; }
    bool operator<(const QTableWidgetItem& other) const override;

private:
    std::uint64_t m_nValue;
};

} // namespace quillora
