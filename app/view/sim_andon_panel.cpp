// The andon board's panel: its 6 x 25 cells as the codes of their last packets say.
#include <QPainter>
#include <climits>

#include "app/view/sim_panels.h"

namespace tvx::app {

namespace {

constexpr int kCellWidth = 16;
constexpr int kCellHeight = 14;
constexpr int kCellGap = 2;
constexpr int kGridWidth = protocol::kAndonColumns * (kCellWidth + kCellGap) - kCellGap;
constexpr int kGridHeight = protocol::kAndonRows * (kCellHeight + kCellGap) - kCellGap;
constexpr int kPanelWidth = kGridWidth + 20;

const QColor kUnsetOutline(78, 78, 82);
const QColor kCharacterFill(52, 52, 56);

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString CodesLine(const std::string& codes) {
  return QStringLiteral("%1 (%2)").arg(Latin1(codes),
                                       QString::fromStdString(DescribeCell(CellLookOf(codes))));
}

}  // namespace

AndonPanel::AndonPanel(const sim::Device& device, const BlinkClock& clock, QWidget* parent)
    : DevicePanel(device, clock, kPanelWidth, parent) {}

QRect AndonPanel::CellRect(int row, int column) const {
  const QRect body = BodyRect();
  const int left = body.left() + (body.width() - kGridWidth) / 2;
  const int top = body.top() + (body.height() - kGridHeight) / 2;
  return QRect(left + (column - 1) * (kCellWidth + kCellGap),
               top + (row - 1) * (kCellHeight + kCellGap), kCellWidth, kCellHeight);
}

QColor AndonPanel::CellColour(int row, int column) const {
  const CellLook& look = Look(row, column);
  if (!look.set) return {};
  if (!look.characters.empty()) return kCharacterFill;
  if (!look.lit) return LetterColour(protocol::Colour::kDark);
  return LetterColour(clock_.FirstState(look.flash) ? look.primary : look.secondary);
}

bool AndonPanel::ShowsCharacters(int row, int column) const {
  const CellLook& look = Look(row, column);
  return !look.characters.empty() && look.lit && clock_.FirstState(look.flash);
}

void AndonPanel::RefreshBody() {
  const auto* board = std::get_if<sim::AndonBoard>(&device_.state);
  bool slow = false, fast = false;
  for (int r = 0; r < protocol::kAndonRows; ++r) {
    for (int c = 0; c < protocol::kAndonColumns; ++c) {
      const std::optional<std::string>* codes = board ? &board->cells[r][c] : nullptr;
      CellLook& look = looks_[r][c];
      look = codes && *codes ? CellLookOf(**codes) : CellLook{};
      slow = slow || (look.lit && look.flash == Flash::kSlow);
      fast = fast || (look.lit && look.flash == Flash::kFast);
      sub_cells_[r][c] = false;
    }
  }
  if (board) {
    for (const auto& [key, codes] : board->sub_cells)
      sub_cells_[key.row - 1][key.column - 1] = true;
  }
  SetFlashes(slow, fast);
}

void AndonPanel::PaintBody(QPainter& painter, const QRect& body) const {
  PaintFace(painter, body);
  QFont tiny = font();
  tiny.setPixelSize(kCellHeight - 4);
  painter.setFont(tiny);
  for (int r = 1; r <= protocol::kAndonRows; ++r) {
    for (int c = 1; c <= protocol::kAndonColumns; ++c) {
      const QRect cell = CellRect(r, c);
      const CellLook& look = Look(r, c);
      if (!look.set) {
        // Never painted whole: an empty socket, not a dark lamp.
        painter.setPen(kUnsetOutline);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(cell).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
      } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(CellColour(r, c));
        painter.drawRoundedRect(cell, 2, 2);
        if (ShowsCharacters(r, c)) {
          painter.setPen(Qt::white);
          painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, Latin1(look.characters));
        }
      }
      if (HasSubCells(r, c)) {
        // Sub-cells are too small to draw; a corner mark says the tooltip lists them.
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        const QPoint corner = cell.topRight() + QPoint(1, 0);
        painter.drawPolygon(QPolygon({corner, corner + QPoint(-6, 0), corner + QPoint(0, 6)}));
      }
    }
  }
}

QString AndonPanel::ToolTipAt(QPoint pos) const {
  const QRect first = CellRect(1, 1);
  const QRect grid(first.topLeft(), QSize(kGridWidth, kGridHeight));
  if (!grid.contains(pos)) return DevicePanel::ToolTipAt(pos);
  const int row = 1 + (pos.y() - grid.top()) / (kCellHeight + kCellGap);
  const int column = 1 + (pos.x() - grid.left()) / (kCellWidth + kCellGap);
  const auto* board = std::get_if<sim::AndonBoard>(&device_.state);
  if (!board) return {};
  const auto& codes = board->cells[row - 1][column - 1];
  QStringList lines{QStringLiteral("row %1, column %2: %3")
                        .arg(row)
                        .arg(column)
                        .arg(codes ? CodesLine(*codes) : tr("unset"))};
  for (auto at = board->sub_cells.lower_bound({row, column, INT_MIN, INT_MIN});
       at != board->sub_cells.end() && at->first.row == row && at->first.column == column; ++at) {
    const sim::SubCellKey& key = at->first;
    QString where;
    if (key.sub_row >= 0) where += QStringLiteral("sub-row %1").arg(key.sub_row);
    if (key.sub_column >= 0) {
      if (!where.isEmpty()) where += QStringLiteral(", ");
      where += QStringLiteral("sub-column %1").arg(key.sub_column);
    }
    lines << QStringLiteral("  %1: %2").arg(where, CodesLine(at->second));
  }
  return lines.join('\n');
}

}  // namespace tvx::app
