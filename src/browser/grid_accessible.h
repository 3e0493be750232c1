#pragma once

namespace gb::browser {

class ThumbGrid;

// What a screen reader finds in the thumbnail grid: a list with one check box per shown cell,
// named after its file, ticked or not, where it is on the screen, with a toggle action. Made
// only while assistive technology is listening; cells are made on demand, so a folder of
// 100,000 pictures costs nothing until they are read.
void InstallGridAccessibility();

// Tell listening assistive technology what changed in `grid`; nothing when none listens.
void AnnounceCellFocus(ThumbGrid& grid, int index);
// Cells `first` to `last` may have been ticked or unticked; those on the screen are announced.
void AnnounceCellStates(ThumbGrid& grid, int first, int last);
// Cells came, went or were replaced: what was said about the old ones no longer holds. Said
// while the grid is on the screen; the grid says it again as it shows.
void AnnounceCellsRenumbered(ThumbGrid& grid);

} // namespace gb::browser
