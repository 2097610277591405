// The translation unit that builds the Windows test programs' precompiled header.
