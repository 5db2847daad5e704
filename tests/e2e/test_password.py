"""Password fields under Wine: Lumora expands in a normal field and nothing in the password
field beside it (an edit control with the password style, as the system reports it)."""

import os

import winedriver


class PasswordField(winedriver.LumoraTest):
    binaries = winedriver.LumoraTest.binaries + ("passfield.exe",)
    phrases = [("brb", "be right back")]

    def fields(self, expect=None, timeout=10.0):
        """The two fields' texts (normal, password) as passfield.exe reports them; with expect,
        polled until they equal it or timeout passes (the pair seen last is returned)."""
        path = os.path.join(self._folder.name, "fields.txt")

        def read():
            try:
                with open(path, encoding="utf-8") as f:
                    normal, _, password = f.read().partition("\n")
                return normal, password
            except FileNotFoundError:
                return None

        if expect is None:
            return winedriver.wait_until(read, timeout, what="passfield's report")
        seen = [None]

        def matches():
            seen[0] = read()
            return seen[0] == expect

        try:
            winedriver.wait_until(matches, timeout, what=f"the fields to read {expect!r}")
        except TimeoutError:
            pass
        return seen[0]

    def test_passwordField_ShouldExpandNothing_WhileTheFieldBesideItExpands(self):
        self.lumora.start()
        self.desktop.start([self.desktop.exe("passfield.exe"), "fields.txt"],
                           cwd=self._folder.name)
        self.desktop.wait_window(title="Password Test")
        self.desktop.focus("Password Test")
        self.fields()

        self.desktop.type("hi brb")
        self.assertEqual(self.fields(expect=("hi be right back", "")), ("hi be right back", ""))

        self.desktop.key("Tab")  # to the password field
        self.desktop.type("brb", delay_ms=0)
        self.assertEqual(self.fields(expect=("hi be right back", "brb")),
                         ("hi be right back", "brb"))
        # Nothing follows: an expansion would have erased and typed within this time.
        self.assertEqual(self.fields(expect=("hi be right back", "be right back"), timeout=2),
                         ("hi be right back", "brb"))
        self.desktop.type(" ok brb")
        self.assertEqual(self.fields(expect=("hi be right back", "brb ok brb")),
                         ("hi be right back", "brb ok brb"))


if __name__ == "__main__":
    winedriver.main()
