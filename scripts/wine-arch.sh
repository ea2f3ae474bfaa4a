#!/usr/bin/env bash
# Prints the flavour whose programs Wine can run here: i686 when the 32-bit
# Wine loader starts (the kernel executes 32-bit programs), else x86_64.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi
