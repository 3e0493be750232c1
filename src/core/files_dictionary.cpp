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

QString Files::PathAt(int index) const
{
    return index >= 0 && index < Count() ? ItemAt(index) + Key(index) : QString();
}

void Files::Reserve(int count) { entries_.reserve(static_cast<size_t>(count)); }

void Files::Append(const QString& key, const QString& item) { entries_.push_back({ key, item }); }

const QHash<QString, int>& Files::Index() const
{
    if (indexed_ < Count())
        index_.reserve(Count());
    for (; indexed_ < Count(); ++indexed_)
        index_.insert(entries_[static_cast<size_t>(indexed_)].key, indexed_);
    return index_;
}

bool Files::Exists(const QString& key) const { return Index().contains(key); }

std::optional<QString> Files::Item(const QString& key) const
{
    const auto found = Index().constFind(key);
    if (found == index_.constEnd())
        return std::nullopt;
    return entries_[static_cast<size_t>(found.value())].item;
}

void Files::SetItem(const QString& key, const QString& item)
{
    const auto found = Index().constFind(key);
    if (found != index_.constEnd())
        entries_[static_cast<size_t>(found.value())].item = item;
    else
        Append(key, item);
}

bool Files::RenameKey(const QString& oldKey, const QString& newKey)
{
    const auto found = Index().constFind(oldKey);
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
    const auto found = Index().constFind(key);
    if (found == index_.constEnd())
        return;
    const int position = found.value();
    index_.erase(found);
    entries_.erase(entries_.begin() + position);
    // Only the entries behind the removed one move up.
    for (int i = position; i < Count(); ++i)
        index_[entries_[static_cast<size_t>(i)].key] = i;
    indexed_ = Count();
}

void Files::RemoveAll()
{
    entries_.clear();
    index_.clear();
    indexed_ = 0;
}

} // namespace gb::core
