// Grouped numbers that sort as numbers.
#include "app/report/CNumberItem.h"

#include "model/DisplayName.h"

namespace quillora {

CNumberItem::CNumberItem(std::uint64_t value)
    : QTableWidgetItem(QString::fromStdString(FormatGrouped(value))), m_nValue(value) {
    setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setFlags(flags() & ~Qt::ItemIsEditable);
}

bool CNumberItem::operator<(const QTableWidgetItem& other) const {
    if (const auto* number = dynamic_cast<const CNumberItem*>(&other)) {
        return m_nValue < number->m_nValue;
    }
    return QTableWidgetItem::operator<(other);
}

} // namespace quillora
