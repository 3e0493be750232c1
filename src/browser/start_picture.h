#pragma once

#include <QString>
#include <QStringList>
#include <utility>

namespace gb::browser {

class CellModel;
class ThumbGrid;

// What the program was started on: a folder to open instead of the remembered one, or a picture
// whose folder is opened with the keyboard on it. The picture is kept in view until the person
// acts on the grid or another folder is shown. Also how far the window's first activation, which
// opens that folder, has got.
class StartPicture {
public:
    bool Activated() const { return activation_ != Activation::NotYet; }
    // The first activation begins: true only the first time.
    bool BeginActivation()
    {
        return std::exchange(activation_, Activation::Loading) == Activation::NotYet;
    }
    // True once, when the activation has begun and nothing loads any more.
    bool EndActivation(bool loading)
    {
        const bool ends = activation_ == Activation::Loading && !loading;
        activation_ = ends ? Activation::Done : activation_;
        return ends;
    }
    QString Folder() const { return folder_; }
    void SetFolder(const QString& folderOrPicture) { folder_ = folderOrPicture; }
    // The start folder was read: `folder` is what it named, `picture` the file to focus, if any.
    void Opened(const QString& folder, const QString& picture);
    void Forget() { picture_.clear(); }
    // Further pictures opened with the first, as a file manager hands over every one chosen.
    void SetAlsoOpened(const QStringList& paths) { alsoOpened_ = paths; }
    // Once the start folder has loaded: ticks the pictures opened in it, the first among them,
    // when several were opened; returns the other folders the rest were in. Once only.
    QStringList TickOpened(CellModel& cells);
    // Whether a picture named is of a type shown only on request: told by its name alone, so
    // that no disk is asked before the window is there.
    static bool NamesTypeShownOnRequest(const QStringList& paths);
    // Puts the grid's keyboard on the picture while `sourcePath` is its folder, and forgets it
    // once another folder is shown.
    void Focus(ThumbGrid& grid, const CellModel& cells, const QString& sourcePath);

private:
    enum class Activation { NotYet, Loading, Done };
    Activation activation_ = Activation::NotYet;
    QString folder_;
    QString picture_;
    QStringList alsoOpened_;
};

} // namespace gb::browser
