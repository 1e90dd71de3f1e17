#pragma once

class ForegroundWindowSource;

// Defined once per system by the backend the build chose; lives until exit.
ForegroundWindowSource *createSystemForegroundWindowSource();
