// A library that loads but is no WebView2 runtime: it exports nothing.
int MarrowpeekEmptyLibraryAnchor() {
    return 0;
}
