// A program whose only purpose is its version resource (VersionFixture.rc).
int main() { return 0; }
