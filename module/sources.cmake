# Files of this folder: list(APPEND CORE_SOURCES ...) for portable ones, WIN_SOURCES for the rest.
