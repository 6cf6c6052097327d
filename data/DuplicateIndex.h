#pragma once
// Finds the row of a dataset that a new row would repeat, without walking the rows: the imports' test for a contact
// (name and Email1) or an account (name) that is already stored, letter case ignored as a case-insensitive locate
// ignores it. A key is a byte string made of the folded texts of some columns; the index holds only each row's
// hash and position, and confirms a matching hash against the row itself, so that it costs 16 bytes a row
// whatever the texts (a million contacts are indexed in 16 MB, not in a copy of their names).
//
// Any key kind fits: the index is built from a function that writes a row's key, and asked with a key made the same
// way. byFoldedColumns() is the usual one.

#include <QStringView>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qv {

class Dataset;

class DuplicateIndex {
public:
    // Writes the key of the row at a position of the dataset into key, which it finds empty.
    using RowKey = std::function<void(int position, std::string& key)>;
    explicit DuplicateIndex(RowKey rowKey);

    // Keys of some text columns, each folded, separated by a character nobody types; read from the rows in place.
    static DuplicateIndex byFoldedColumns(const Dataset& dataset, const std::vector<int>& columns);
    // The key of texts for those columns, in the same order.
    static std::string foldedKey(std::initializer_list<QStringView> texts);

    // Indexes the rows at positions 0 to rows - 1, before the first find.
    void build(int rows);
    bool isBuilt() const { return m_built; }
    // The position of a row with this key, or -1.
    int find(const std::string& key);
    // A row now at this position has this key.
    void insert(const std::string& key, int position);

    // Letter case folded away code point by code point, as QString::toCaseFolded() folds, straight from the stored
    // UTF-8 or from a text in memory; a text that is not well-formed goes the toolkit's way.
    static void appendFolded(std::string& key, const char* utf8, int size);
    static void appendFolded(std::string& key, QStringView text);
    // One code point as UTF-8.
    static void appendUtf8(std::string& key, char32_t c);
    static constexpr char Separator = 0x1F;

private:
    void reserve(size_t rows);
    void place(size_t hash, int position);

    RowKey m_rowKey;
    bool m_built = false;
    // Open addressing, at most half full; position -1 marks a free slot.
    std::vector<std::pair<size_t, int>> m_slots;
    size_t m_used = 0;
    std::string m_rowKeyText; // the row's key while a match is confirmed, kept for its buffer
};

} // namespace qv
