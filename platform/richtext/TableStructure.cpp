#include "platform/richtext/TableStructure.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace pgw::richtext {

namespace {

constexpr int32_t kDefaultCellWidth = 1440;  // an inch, for cells a row's layout does not place
constexpr int32_t kMaxTwips = 1 << 20;        // far wider than any page; keeps sums in range

int depthOf(const Paragraph& paragraph) { return std::min<int>(paragraph.format.tableDepth, kMaxTableDepth); }

// One edge per cell, each right of the one before and of the row's start.
void fitLayout(TableRow* layout, size_t cells) {
    layout->left = std::clamp(layout->left, -kMaxTwips, kMaxTwips);
    layout->gap = std::clamp(layout->gap, 0, kMaxTwips);
    std::vector<int32_t>& edges = layout->cellEdges;
    if (edges.size() > cells) edges.resize(cells);
    while (edges.size() < cells) edges.push_back((edges.empty() ? layout->left : edges.back()) + kDefaultCellWidth);
    int32_t previous = layout->left;
    for (int32_t& edge : edges) {
        edge = std::max(std::clamp(edge, -kMaxTwips, kMaxTwips), previous + 1);
        previous = edge;
    }
}

class TableNormaliser {
public:
    explicit TableNormaliser(std::vector<Paragraph>* out) : out_(*out) {}

    void add(Paragraph paragraph);
    void finish();

private:
    // The row open at one depth.
    struct OpenRow {
        size_t cells = 0;      // cells ended so far
        bool started = false;  // anything in the row yet
        TableRow previous;     // the layout of the table's row before, for a row closed unended
    };

    void closeTablesDeeperThan(int depth);
    void endRow(int depth, TableRow layout);
    void emit(Paragraph paragraph);
    Paragraph emptyAt(int depth, ParagraphEnd end) const;
    bool lastEndsCellAt(int depth) const;

    std::vector<Paragraph>& out_;
    std::vector<OpenRow> open_;  // open_[d - 1]: the row open at depth d
};

void TableNormaliser::add(Paragraph paragraph) {
    const int depth = depthOf(paragraph);
    paragraph.format.tableDepth = uint8_t(depth);
    if (depth == 0 && paragraph.end != ParagraphEnd::Paragraph) {
        if (paragraph.end == ParagraphEnd::Row && paragraph.isEmpty()) return;  // a row end with no table
        paragraph.end = ParagraphEnd::Paragraph;
    }
    closeTablesDeeperThan(depth);
    open_.resize(size_t(depth));
    TableRow layout = paragraph.row.get();
    paragraph.row = RowLayout{};
    if (paragraph.end == ParagraphEnd::Row) {
        if (!paragraph.isEmpty()) {  // text the row end closed: its last cell's
            paragraph.end = ParagraphEnd::Paragraph;
            emit(std::move(paragraph));
        }
        if (open_.back().started) endRow(depth, std::move(layout));
        return;
    }
    if (paragraph.end == ParagraphEnd::Cell) {
        // Past the last cell a row can have, the text stays in the last one.
        if (open_.back().cells + 1 >= kMaxCellsPerRow) paragraph.end = ParagraphEnd::Paragraph;
        else ++open_.back().cells;
    }
    emit(std::move(paragraph));
}

void TableNormaliser::finish() {
    closeTablesDeeperThan(0);
    if (out_.empty() || depthOf(out_.back()) != 0) out_.push_back(emptyAt(0, ParagraphEnd::Paragraph));
}

void TableNormaliser::closeTablesDeeperThan(int depth) {
    while (open_.size() > size_t(depth)) {
        if (open_.back().started) endRow(int(open_.size()), open_.back().previous);
        open_.pop_back();
    }
}

void TableNormaliser::endRow(int depth, TableRow layout) {
    OpenRow& row = open_[size_t(depth - 1)];
    if (!lastEndsCellAt(depth)) {
        if (depthOf(out_.back()) == depth && out_.back().end == ParagraphEnd::Paragraph)
            out_.back().end = ParagraphEnd::Cell;
        else
            out_.push_back(emptyAt(depth, ParagraphEnd::Cell));
        ++row.cells;
    }
    fitLayout(&layout, row.cells);
    Paragraph end = emptyAt(depth, ParagraphEnd::Row);
    end.row = layout;
    out_.push_back(std::move(end));
    row = OpenRow{0, false, std::move(layout)};
}

void TableNormaliser::emit(Paragraph paragraph) {
    for (OpenRow& row : open_) row.started = true;
    out_.push_back(std::move(paragraph));
}

Paragraph TableNormaliser::emptyAt(int depth, ParagraphEnd end) const {
    Paragraph paragraph;
    paragraph.format.tableDepth = uint8_t(depth);
    paragraph.end = end;
    if (!out_.empty()) paragraph.markFormat = out_.back().markFormat;
    return paragraph;
}

bool TableNormaliser::lastEndsCellAt(int depth) const {
    return !out_.empty() && out_.back().end == ParagraphEnd::Cell && depthOf(out_.back()) == depth;
}

}  // namespace

void normaliseTables(RichDocument& document) {
    const bool hasTables = std::any_of(document.paragraphs.begin(), document.paragraphs.end(), [](const Paragraph& p) {
        return p.format.tableDepth != 0 || p.end != ParagraphEnd::Paragraph;
    });
    if (!hasTables) {
        if (document.paragraphs.empty()) document.paragraphs.emplace_back();
        return;
    }
    std::vector<Paragraph> out;
    out.reserve(document.paragraphs.size() + 1);
    TableNormaliser normaliser(&out);
    for (Paragraph& paragraph : document.paragraphs) normaliser.add(std::move(paragraph));
    normaliser.finish();
    document.paragraphs = std::move(out);
}

TableShape tableShapeAt(const std::vector<Paragraph>& paragraphs, size_t first, int depth) {
    TableShape shape;
    size_t i = first;
    for (; i < paragraphs.size() && depthOf(paragraphs[i]) >= depth; ++i) {
        const Paragraph& paragraph = paragraphs[i];
        if (depthOf(paragraph) != depth || paragraph.end != ParagraphEnd::Row) continue;
        ++shape.rows;
        if (paragraph.row->cellEdges.size() > shape.columns) {
            shape.columns = paragraph.row->cellEdges.size();
            shape.widestRow = i;
        }
    }
    shape.end = i;
    return shape;
}

size_t rowEndOf(const std::vector<Paragraph>& paragraphs, size_t first, int depth) {
    for (size_t i = first; i < paragraphs.size() && depthOf(paragraphs[i]) >= depth; ++i) {
        if (depthOf(paragraphs[i]) == depth && paragraphs[i].end == ParagraphEnd::Row) return i;
    }
    return paragraphs.size();
}

}  // namespace pgw::richtext
