#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace gb::core {

// The selected files handed from the main window to the rename and slide show windows: an
// ordered key/item dictionary, key = file name, item = its folder ending in a separator, so the
// full path of entry i is PathAt(i). Keys compare exactly (case-sensitively); entries keep their
// insertion order, and renaming a key keeps its position. Windows step through a selection of
// any size entry by entry, so access by position costs nothing per step; and a selection is
// often handed over without a single key being looked up (a slide show), so the index by key is
// only built, once, by the first look-up.
class Files {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    bool Exists(const QString& key) const;
    QStringList Keys() const;
    QStringList Items() const;
    // The entry at `index` (0 <= index < Count()).
    const QString& Key(int index) const { return entries_[static_cast<size_t>(index)].key; }
    const QString& ItemAt(int index) const { return entries_[static_cast<size_t>(index)].item; }
    // Item + key of the entry at `index`, or empty when there is none.
    QString PathAt(int index) const;
    void Reserve(int count);
    // Adds an entry at the end under a key that no entry has yet (file names of one folder).
    void Append(const QString& key, const QString& item);

    // The item under `key`, or nullopt.
    std::optional<QString> Item(const QString& key) const;
    // Stores `item` under `key`, adding the entry at the end when the key is new.
    void SetItem(const QString& key, const QString& item);
    // Gives the entry `oldKey` the key `newKey` in place. False when `oldKey` is missing or
    // `newKey` is already used by another entry.
    bool RenameKey(const QString& oldKey, const QString& newKey);
    void Remove(const QString& key);
    void RemoveAll();

private:
    struct Entry {
        QString key;
        QString item;
    };
    std::vector<Entry> entries_;
    // Positions by key of entries_[0, indexed_); the rest are indexed when a key is looked up.
    mutable QHash<QString, int> index_;
    mutable int indexed_ = 0;

    const QHash<QString, int>& Index() const;
};

using FilesPtr = std::shared_ptr<Files>;

} // namespace gb::core
