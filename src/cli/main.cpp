// frixa-cli: placeholder entry while the console front end is assembled.
int main() { return 0; }
