#pragma once

// The windows are laid out in twips, 1440 to the inch, at the screen's logical dots per inch
// (15 twips to a pixel at 96).
double DotsPerInch();
// Rounded to whole pixels, within what a window's position can hold, however far a stored edge
// lies.
int PixelsFromTwips(double twips);
double TwipsFromPixels(int pixels);
