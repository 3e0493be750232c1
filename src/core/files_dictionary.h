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
// any size entry by entry, so access by position costs nothing per step.
class Files {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    bool Exists(const QString& key) const { return index_.contains(key); }
    QStringList Keys() const;
    QStringList Items() const;
    // The entry at `index` (0 <= index < Count()).
    const QString& Key(int index) const { return entries_[static_cast<size_t>(index)].key; }
    const QString& ItemAt(int index) const { return entries_[static_cast<size_t>(index)].item; }
    // Item + key of the entry at `index`, or empty when there is none.
    QString PathAt(int index) const;
    void Reserve(int count);

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
    QHash<QString, int> index_;
};

using FilesPtr = std::shared_ptr<Files>;

} // namespace gb::core
