// Draws the icon strips with QPainter: one consistent flat style, 16 x 16 pixels.
#include "app/IconFactory.h"

#include <QPainter>
#include <QPainterPath>

namespace quillora {

namespace {

constexpr int kSize = 16;

QPixmap Blank() {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    return pm;
}

void Outline(QPainter& p, const QColor& c) {
    p.setPen(QPen(c.darker(170), 1));
}

void Folder(QPainter& p, const QColor& body, bool open) {
    Outline(p, body);
    p.setBrush(body.darker(115));
    p.drawRect(QRectF(1.5, 3.5, 6, 2));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    if (open) {
        QPainterPath flap;
        flap.moveTo(3.5, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13.5, 13.5);
        flap.lineTo(1.5, 13.5);
        flap.closeSubpath();
        p.setBrush(body.lighter(120));
        p.drawPath(flap);
    }
}

void ArchiveBand(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 90, 200));
    p.drawRect(QRectF(7, 4.5, 2.5, 9));
    p.setBrush(QColor(230, 230, 240));
    p.drawRect(QRectF(7.5, 8, 1.5, 2));
}

void Mark(QPainter& p) {
    QPen pen(QColor(210, 30, 30), 2);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(7, 11), QPointF(9.5, 14), QPointF(15, 7.5)}));
}

void Tray(QPainter& p, bool in) {
    // The drive body under the medium; its lamp is green while a medium is in it.
    Outline(p, QColor(120, 120, 120));
    p.setBrush(QColor(170, 170, 175));
    p.drawRect(QRectF(0.5, 11.5, 15, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(in ? QColor(40, 200, 60) : QColor(90, 90, 90));
    p.drawRect(QRectF(12, 13, 2.5, 1.5));
}

void Disc(QPainter& p, bool in, bool selected) {
    Tray(p, in);
    QColor face = in ? QColor(205, 215, 235) : QColor(215, 215, 215);
    if (selected) {
        face = face.lighter(110);
    }
    Outline(p, QColor(110, 110, 130));
    p.setBrush(face);
    p.drawEllipse(QRectF(2.5, 0.5, 11, 11));
    p.setBrush(in ? QColor(120, 170, 240) : QColor(180, 180, 180));
    p.drawEllipse(QRectF(5.5, 3.5, 5, 5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 5, 2, 2));
}

void Card(QPainter& p, bool in, bool selected) {
    Tray(p, in);
    QColor body = in ? QColor(70, 110, 190) : QColor(140, 140, 150);
    if (selected) {
        body = body.lighter(120);
    }
    Outline(p, body);
    p.setBrush(body);
    QPainterPath card;
    card.moveTo(3.5, 0.5);
    card.lineTo(10.5, 0.5);
    card.lineTo(12.5, 2.5);
    card.lineTo(12.5, 10.5);
    card.lineTo(3.5, 10.5);
    card.closeSubpath();
    p.drawPath(card);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 200, 60));
    for (int i = 0; i < 3; ++i) {
        p.drawRect(QRectF(5 + i * 2, 2, 1, 3));
    }
}

void HardDisk(QPainter& p, bool selected) {
    QColor body = selected ? QColor(175, 180, 190) : QColor(150, 155, 165);
    Outline(p, body);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(0.5, 4.5, 15, 8), 1.5, 1.5);
    p.setBrush(body.lighter(130));
    p.drawRect(QRectF(2.5, 6.5, 8, 1));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 60));
    p.drawRect(QRectF(12, 9, 2, 1.5));
}

void Remote(QPainter& p, bool selected) {
    QColor body = selected ? QColor(175, 180, 190) : QColor(150, 155, 165);
    Outline(p, body);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(0.5, 1.5, 15, 7), 1.5, 1.5);
    p.setPen(QPen(QColor(40, 110, 40), 1.5));
    p.drawLine(QPointF(8, 9), QPointF(8, 14));
    p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 60));
    p.drawRect(QRectF(12, 5, 2, 1.5));
}

void Case(QPainter& p, bool open) {
    QColor leather(150, 95, 45);
    Outline(p, leather);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(5.5, 1.5, 5, 3), 1, 1);
    p.setBrush(leather);
    if (open) {
        p.drawRect(QRectF(0.5, 6.5, 15, 8));
        p.setBrush(leather.lighter(140));
        p.drawRect(QRectF(1.5, 3.5, 13, 3));
    } else {
        p.drawRect(QRectF(0.5, 4.5, 15, 10));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 200, 80));
    p.drawRect(QRectF(7, 8, 2, 2));
}

void Group(QPainter& p, bool selected) {
    QColor c = selected ? QColor(170, 120, 210) : QColor(140, 90, 190);
    Outline(p, c);
    p.setBrush(c.lighter(130));
    p.drawRect(QRectF(4.5, 0.5, 11, 8));
    p.setBrush(c.lighter(110));
    p.drawRect(QRectF(2.5, 3.5, 11, 8));
    p.setBrush(c);
    p.drawRect(QRectF(0.5, 6.5, 11, 8));
}

void Document(QPainter& p) {
    QColor c(120, 120, 130);
    Outline(p, c);
    p.setBrush(Qt::white);
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(10.5, 0.5);
    page.lineTo(13.5, 3.5);
    page.lineTo(13.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    p.drawPath(page);
    p.setPen(QPen(QColor(170, 170, 190), 1));
    for (int y = 6; y <= 12; y += 2) {
        p.drawLine(4, y, 11, y);
    }
}

// A sheet of paper with its corner folded.
void Page(QPainter& p) {
    Outline(p, QColor(120, 120, 130));
    p.setBrush(Qt::white);
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(9.5, 0.5);
    page.lineTo(12.5, 3.5);
    page.lineTo(12.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    p.drawPath(page);
}

// A small round badge in the lower right corner: plus (add) or tick (check).
void Badge(QPainter& p, const QColor& color, bool plus) {
    p.setPen(QPen(color.darker(140), 1));
    p.setBrush(color);
    p.drawEllipse(QRectF(8.5, 8.5, 7, 7));
    QPen white(Qt::white, 1.6);
    white.setCapStyle(Qt::RoundCap);
    p.setPen(white);
    if (plus) {
        p.drawLine(QPointF(12, 10), QPointF(12, 14));
        p.drawLine(QPointF(10, 12), QPointF(14, 12));
    } else {
        p.drawPolyline(QPolygonF({QPointF(10, 12), QPointF(11.6, 13.6), QPointF(14, 10.4)}));
    }
}

template <class F> QPixmap Draw(F draw) {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pm;
}

const QColor kFolderYellow(235, 190, 70);

} // namespace

CIconFactory& CIconFactory::Instance() {
    static CIconFactory factory;
    return factory;
}

CIconFactory::CIconFactory() {
    DrawTree();
    DrawList();
    DrawTools();
    m_state = {
        Blank(), Draw([](QPainter& p) {
            QPen pen(QColor(210, 30, 30), 2.5);
            pen.setCapStyle(Qt::RoundCap);
            p.setPen(pen);
            p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12.5), QPointF(13, 3.5)}));
        }),
        // The result lists' mark: a flag, so a found row reads apart from the views.
        Draw([](QPainter& p) {
            p.setPen(QPen(QColor(60, 60, 60), 1.2));
            p.drawLine(QPointF(4, 2), QPointF(4, 14));
            p.setBrush(QColor(210, 30, 30));
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({QPointF(4.6, 2.5), QPointF(13, 5.5), QPointF(4.6, 8.5)}));
        })};
}

void CIconFactory::DrawTree() {
    m_tree.assign(kTreeImages, Blank());
    m_tree[1] = Draw([](QPainter& p) { Case(p, false); });
    m_tree[2] = Draw([](QPainter& p) { Case(p, true); });
    m_tree[3] = m_tree[2];
    for (int in = 0; in < 2; ++in) {
        for (int sel = 0; sel < 2; ++sel) {
            m_tree[4 + in + sel * 2] = Draw([&](QPainter& p) { Disc(p, in, sel); });
            m_tree[12 + in + sel * 2] = Draw([&](QPainter& p) { Card(p, in, sel); });
        }
    }
    for (int mark = 0; mark < 2; ++mark) {
        for (int open = 0; open < 2; ++open) {
            m_tree[8 + mark + open * 2] = Draw([&](QPainter& p) {
                Folder(p, kFolderYellow, open);
                if (mark) {
                    Mark(p);
                }
            });
        }
    }
    // Listed archives: 16/17 normal and selected, 18/19 the same marked.
    for (int mark = 0; mark < 2; ++mark) {
        for (int open = 0; open < 2; ++open) {
            m_tree[16 + open + mark * 2] = Draw([&](QPainter& p) {
                Folder(p, kFolderYellow, open);
                ArchiveBand(p);
                if (mark) {
                    Mark(p);
                }
            });
        }
    }
    m_tree[20] = Draw([](QPainter& p) { Group(p, false); });
    m_tree[21] = Draw([](QPainter& p) { Group(p, true); });
    m_tree[22] = Draw([](QPainter& p) { HardDisk(p, false); });
    m_tree[23] = Draw([](QPainter& p) { HardDisk(p, true); });
    m_tree[24] = Draw([](QPainter& p) { Remote(p, false); });
    m_tree[25] = Draw([](QPainter& p) { Remote(p, true); });
}

void CIconFactory::DrawTools() {
    m_tools.assign(kTools, Blank());
    m_tools[kToolNew] = Draw([](QPainter& p) {
        Page(p);
        // A spark on the fresh sheet.
        p.setPen(QPen(QColor(230, 160, 20), 1.5));
        p.drawLine(QPointF(13, 0.5), QPointF(13, 6.5));
        p.drawLine(QPointF(10, 3.5), QPointF(16, 3.5));
    });
    m_tools[kToolOpen] = Draw([](QPainter& p) {
        Folder(p, kFolderYellow, true);
        // An arrow coming out of the folder.
        QPen arrow(QColor(40, 120, 40), 1.6);
        arrow.setCapStyle(Qt::RoundCap);
        p.setPen(arrow);
        p.drawLine(QPointF(11, 6), QPointF(11, 1));
        p.drawPolyline(QPolygonF({QPointF(8.5, 3.5), QPointF(11, 1), QPointF(13.5, 3.5)}));
    });
    m_tools[kToolSave] = Draw([](QPainter& p) {
        // A diskette: body, shutter and label.
        QColor body(60, 90, 170);
        Outline(p, body);
        p.setBrush(body);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1, 1);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 205, 215));
        p.drawRect(QRectF(4, 2, 7, 4.5));
        p.setBrush(body);
        p.drawRect(QRectF(8.5, 2.5, 1.5, 3));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 9, 9, 5));
    });
    m_tools[kToolAdd] = Draw([](QPainter& p) {
        Disc(p, false, false);
        Badge(p, QColor(40, 160, 60), true);
    });
    m_tools[kToolCheck] = Draw([](QPainter& p) {
        Disc(p, true, false);
        Badge(p, QColor(40, 110, 210), false);
    });
    m_tools[kToolEject] = Draw([](QPainter& p) {
        // The eject sign: a triangle over a bar.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 70, 80));
        p.drawPolygon(QPolygonF({QPointF(8, 2), QPointF(14.5, 9.5), QPointF(1.5, 9.5)}));
        p.drawRect(QRectF(1.5, 11.5, 13, 2.5));
    });
}

const QPixmap& CIconFactory::Tool(ToolImage image) const {
    return m_tools[image >= 0 && image < kTools ? image : 0];
}

void CIconFactory::DrawList() {
    m_list.assign(kListImages, Blank());
    m_list[1] = m_tree[1];
    m_list[2] = m_tree[4];  // CD-ROM
    m_list[3] = m_tree[5];  // CD-ROM in a drive
    m_list[4] = m_tree[8];  // folder
    m_list[5] = m_tree[16]; // listed archive
    m_list[6] = m_tree[20]; // group
    m_list[7] = m_tree[12]; // removable
    m_list[8] = m_tree[13]; // removable in a drive
    m_list[9] = Draw([](QPainter& p) { Document(p); });
    m_list[10] = m_tree[22];
    m_list[11] = m_tree[24];
}

const QPixmap& CIconFactory::Tree(int index) const {
    return index >= 0 && index < kTreeImages ? m_tree[index] : m_tree[0];
}

const QPixmap& CIconFactory::List(int index) const {
    return index >= 0 && index < ListSize() ? m_list[index] : m_list[9];
}

const QPixmap& CIconFactory::State(int index) const {
    return index >= 1 && index <= 2 ? m_state[static_cast<std::size_t>(index)] : m_state[0];
}

int CIconFactory::AddListImage(const QPixmap& pixmap) {
    m_list.push_back(pixmap.isNull() ? m_list[9]
                                     : pixmap.scaled(kSize, kSize, Qt::KeepAspectRatio,
                                                     Qt::SmoothTransformation));
    return ListSize() - 1;
}

QIcon CIconFactory::TreeIcon(int normal, int selected) const {
    QIcon icon(Tree(normal));
    icon.addPixmap(Tree(selected), QIcon::Selected);
    return icon;
}

QIcon CIconFactory::ListIcon(int index, bool marked) const {
    return ListIconWithState(index, marked ? 1 : 0);
}

QIcon CIconFactory::ListIconWithState(int index, int state) const {
    state = state >= 1 && state <= 2 ? state : 0;
    auto& cache = m_listIcons[state];
    if (index < 0 || index >= ListSize()) {
        index = 9;
    }
    if (cache.size() < m_list.size()) {
        cache.resize(m_list.size());
    }
    QIcon& icon = cache[static_cast<std::size_t>(index)];
    if (icon.isNull()) {
        // The state image has a cell of its own before the icon, empty without a
        // state, so icons line up whether rows are marked or not.
        QPixmap both(kSize * 2, kSize);
        both.fill(Qt::transparent);
        QPainter p(&both);
        p.drawPixmap(0, 0, State(state));
        p.drawPixmap(kSize, 0, List(index));
        p.end();
        icon = QIcon(both);
    }
    return icon;
}

} // namespace quillora
