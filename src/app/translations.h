#pragma once

// Loads Qt's own Hungarian texts, so the standard buttons read OK, Mégse,
// Igen, Nem. False when the translation is not installed.
bool installHungarianQtTranslation();
