#include "core/files_dictionary.h"

namespace gb::core {

QStringList Files::Keys() const
{
    QStringList keys;
    keys.reserve(Count());
    for (const Entry& entry : entries_)
        keys.push_back(entry.key);
    return keys;
}

QStringList Files::Items() const
{
    QStringList items;
    items.reserve(Count());
    for (const Entry& entry : entries_)
        items.push_back(entry.item);
    return items;
}

std::optional<QString> Files::Item(const QString& key) const
{
    const auto found = index_.constFind(key);
    if (found == index_.constEnd())
        return std::nullopt;
    return entries_[static_cast<size_t>(found.value())].item;
}

void Files::SetItem(const QString& key, const QString& item)
{
    const auto found = index_.constFind(key);
    if (found != index_.constEnd()) {
        entries_[static_cast<size_t>(found.value())].item = item;
        return;
    }
    index_.insert(key, Count());
    entries_.push_back({ key, item });
}

bool Files::RenameKey(const QString& oldKey, const QString& newKey)
{
    const auto found = index_.constFind(oldKey);
    if (found == index_.constEnd())
        return false;
    if (oldKey == newKey)
        return true;
    if (index_.contains(newKey))
        return false;
    const int position = found.value();
    index_.erase(found);
    index_.insert(newKey, position);
    entries_[static_cast<size_t>(position)].key = newKey;
    return true;
}

void Files::Remove(const QString& key)
{
    const auto found = index_.constFind(key);
    if (found == index_.constEnd())
        return;
    const int position = found.value();
    entries_.erase(entries_.begin() + position);
    index_.clear();
    for (int i = 0; i < Count(); ++i)
        index_.insert(entries_[static_cast<size_t>(i)].key, i);
}

void Files::RemoveAll()
{
    entries_.clear();
    index_.clear();
}

} // namespace gb::core
