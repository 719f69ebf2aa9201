// The choice of pattern, colour set and stroke style for each series.
#pragma once

void nextPattern();
void choosePattern();
void nextColorSet();
void chooseColorSet();
void chooseStrokeStyle();
