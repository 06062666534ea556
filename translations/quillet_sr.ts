<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sr">
<context>
    <name>Quillet</name>
    <message>
        <source>1. Open Settings and choose “Keyboard”.</source>
        <translation>1. Otvorite Podešavanja i izaberite „Tastatura“.</translation>
    </message>
    <message>
        <source>2. Under “Keyboard Shortcuts”, click “View and Customize Shortcuts”.</source>
        <translation>2. U delu „Prečice tastature“ kliknite na „Pregled i prilagođavanje prečica“.</translation>
    </message>
    <message>
        <source>3. Choose “Custom Shortcuts”, then “Add Shortcut”.</source>
        <translation>3. Izaberite „Proizvoljne prečice“, zatim „Dodaj prečicu“.</translation>
    </message>
    <message>
        <source>4. Name: Quillet. Command: %1</source>
        <translation>4. Naziv: Quillet. Naredba: %1</translation>
    </message>
    <message>
        <source>5. Click “Set Shortcut…”, press %1, then click “Add”.</source>
        <translation>5. Kliknite na „Postavi prečicu…“, pritisnite %1, zatim kliknite na „Dodaj“.</translation>
    </message>
    <message>
        <source>API key (sk-…)</source>
        <translation>API ključ (sk-…)</translation>
    </message>
    <message>
        <source>Accessibility permission</source>
        <translation>Accessibility dozvola</translation>
    </message>
    <message>
        <source>Action name</source>
        <translation>Ime akcije</translation>
    </message>
    <message>
        <source>Actions</source>
        <translation>Akcije</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Dodaj</translation>
    </message>
    <message>
        <source>An action with this name already exists.</source>
        <translation>Akcija s ovim imenom već postoji.</translation>
    </message>
    <message>
        <source>Another program already uses %1.</source>
        <translation>Drugi program već koristi %1.</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Nazad</translation>
    </message>
    <message>
        <source>Behavior</source>
        <translation>Ponašanje</translation>
    </message>
    <message>
        <source>Block %1</source>
        <translation>Blokiraj %1</translation>
    </message>
    <message>
        <source>Blocked apps</source>
        <translation>Blokirane aplikacije</translation>
    </message>
    <message>
        <source>Blocked apps (bundle ID)</source>
        <translation>Blokirane aplikacije (bundle ID)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Otkaži</translation>
    </message>
    <message>
        <source>Check again</source>
        <translation>Proveri ponovo</translation>
    </message>
    <message>
        <source>Checking the key</source>
        <translation>Proveravam ključ</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Obriši</translation>
    </message>
    <message>
        <source>Clear the global shortcut</source>
        <translation>Obriši globalni shortcut</translation>
    </message>
    <message>
        <source>Click into the field below — the icon appears in its bottom-right corner. Click it to fix the text.</source>
        <translation>Klikni u polje ispod — u donjem desnom uglu pojaviće se ikonica. Klikni na nju za ispravku.</translation>
    </message>
    <message>
        <source>Click, then press the new shortcut</source>
        <translation>Klikni, pa pritisni novu prečicu</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Zatvori</translation>
    </message>
    <message>
        <source>Close (Esc)</source>
        <translation>Zatvori (Esc)</translation>
    </message>
    <message>
        <source>Concise</source>
        <translation>Kraće</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Dalje</translation>
    </message>
    <message>
        <source>Copied — press Ctrl+V</source>
        <translation>Kopirano — pritisnite Ctrl+V</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopiraj</translation>
    </message>
    <message>
        <source>Copy %1</source>
        <translation>Kopiraj %1</translation>
    </message>
    <message>
        <source>Correction</source>
        <translation>Ispravka</translation>
    </message>
    <message>
        <source>Could not save this change: %1 cannot be written. Check that the disk is not full and the folder can be written to.</source>
        <translation>Izmena nije sačuvana: u %1 ne može da se piše. Proverite da disk nije pun i da se u fasciklu može pisati.</translation>
    </message>
    <message>
        <source>Crafting alternatives…</source>
        <translation>Pripremam alternative…</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Izmeni</translation>
    </message>
    <message>
        <source>Edit %1</source>
        <translation>Izmeni %1</translation>
    </message>
    <message>
        <source>Endpoint</source>
        <translation>Adresa servera</translation>
    </message>
    <message>
        <source>Endpoint presets</source>
        <translation>Predlošci adresa servera</translation>
    </message>
    <message>
        <source>Enter an address that starts with http:// or https://</source>
        <translation>Unesi adresu koja počinje sa http:// ili https://</translation>
    </message>
    <message>
        <source>Escape cancels</source>
        <translation>Escape odustaje</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Završi</translation>
    </message>
    <message>
        <source>Fix text</source>
        <translation>Ispravi tekst</translation>
    </message>
    <message>
        <source>For 1 hour</source>
        <translation>1 sat</translation>
    </message>
    <message>
        <source>For 15 minutes</source>
        <translation>15 minuta</translation>
    </message>
    <message>
        <source>GNOME Shell could not start it (%1). Log out and back in; if that does not help, install Quillet again.</source>
        <translation>GNOME Shell nije uspeo da ga pokrene (%1). Odjavite se i ponovo prijavite; ako to ne pomogne, ponovo instalirajte Quillet.</translation>
    </message>
    <message>
        <source>GNOME has every extension switched off. Turn them on with this command:</source>
        <translation>GNOME ima isključene sve dodatke. Uključite ih ovom naredbom:</translation>
    </message>
    <message>
        <source>GNOME lets no program hold a shortcut of its own. Add one for Quillet in GNOME&apos;s settings:</source>
        <translation>GNOME ne dozvoljava programima da sami drže prečicu. Dodajte je za Quillet u podešavanjima GNOME-a:</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Opšte</translation>
    </message>
    <message>
        <source>Give the action a name.</source>
        <translation>Dajte akciji ime.</translation>
    </message>
    <message>
        <source>Global shortcut</source>
        <translation>Globalni shortcut</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Istorija</translation>
    </message>
    <message>
        <source>Instruction</source>
        <translation>Uputstvo</translation>
    </message>
    <message>
        <source>Invalid API key. Check it in Settings.</source>
        <translation>Nevažeći API ključ. Proveri ga u Podešavanjima.</translation>
    </message>
    <message>
        <source>It answers only the Quillet installed as %1, and this is another copy, or one an upgrade has replaced since it started. Start that one (after an upgrade: quit Quillet and start it again).</source>
        <translation>Odgovara samo Quillet-u instaliranom kao %1, a ovo je druga kopija, ili ona koju je nadogradnja zamenila posle pokretanja. Pokrenite tu (posle nadogradnje: zatvorite Quillet i ponovo ga pokrenite).</translation>
    </message>
    <message>
        <source>It belongs to another version of Quillet, loaded when you logged in. Log out and back in.</source>
        <translation>Pripada drugoj verziji Quillet-a, učitanoj pri vašem prijavljivanju. Odjavite se i ponovo prijavite.</translation>
    </message>
    <message>
        <source>It is installed where any program of yours could take Quillet&apos;s place (%1), so it serves no program. Install Quillet for the whole system, from its Debian package (“sudo apt install ./build/quillet_*.deb”) or with “sudo cmake --install build”, remove any copy of the extension from your home folder, then log out and back in.</source>
        <translation>Instaliran je tamo gde bi bilo koji vaš program mogao da zauzme Quillet-ovo mesto (%1), pa ne služi nikome. Instalirajte Quillet za ceo sistem, iz njegovog Debian paketa („sudo apt install ./build/quillet_*.deb“) ili naredbom „sudo cmake --install build“, uklonite svaku kopiju dodatka iz svoje lične fascikle, zatim se odjavite i ponovo prijavite.</translation>
    </message>
    <message>
        <source>It is not installed. Install Quillet&apos;s package (or run “sudo cmake --install build”), run this command, then log out and back in:</source>
        <translation>Nije instaliran. Instalirajte Quillet-ov paket (ili pokrenite „sudo cmake --install build“), pokrenite ovu naredbu, zatim se odjavite i ponovo prijavite:</translation>
    </message>
    <message>
        <source>It is switched off. Turn it on with this command (no need to log out):</source>
        <translation>Isključen je. Uključite ga ovom naredbom (odjavljivanje nije potrebno):</translation>
    </message>
    <message>
        <source>It was installed after you logged in. Run this command, then log out and back in:</source>
        <translation>Instaliran je posle vašeg prijavljivanja. Pokrenite ovu naredbu, zatim se odjavite i ponovo prijavite:</translation>
    </message>
    <message>
        <source>It was not made for this GNOME Shell (version %1); Quillet works on without it.</source>
        <translation>Nije napravljen za ovu verziju GNOME Shell-a (%1); Quillet radi i bez njega.</translation>
    </message>
    <message>
        <source>KWin did not run Quillet&apos;s script, so there is no icon at the field: use the shortcut. Restarting Quillet loads the script again.</source>
        <translation>KWin nije pokrenuo Quillet-ovu skriptu, pa ikonice u polju nema: koristite prečicu. Ponovnim pokretanjem Quillet-a skripta se ponovo učitava.</translation>
    </message>
    <message>
        <source>KWin does not let Quillet press keys, so a correction that a program does not take directly is left on the clipboard for you to paste with Ctrl+V.</source>
        <translation>KWin ne dozvoljava Quillet-u da pritiska tastere, pa ispravka koju program ne primi direktno ostaje u ostavi, da je nalepite sa Ctrl+V.</translation>
    </message>
    <message>
        <source>KWin gives them only to a program whose installed menu entry asks for them, and this copy (%1) has none. Install Quillet (its package, or “sudo cmake --install build”) and start the installed program.</source>
        <translation>KWin ih daje samo programu čija instalirana stavka menija to traži, a ova kopija (%1) je nema. Instalirajte Quillet (njegov paket, ili „sudo cmake --install build“) i pokrenite instalirani program.</translation>
    </message>
    <message>
        <source>Key is invalid</source>
        <translation>Ključ ne važi</translation>
    </message>
    <message>
        <source>Key is stored in the system keyring</source>
        <translation>Ključ je sačuvan u sistemskom keyring-u</translation>
    </message>
    <message>
        <source>Key is valid</source>
        <translation>Ključ važi</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Jezik</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Pokreni pri prijavljivanju</translation>
    </message>
    <message>
        <source>Min. words to show the icon</source>
        <translation>Min. broj reči za ikonicu</translation>
    </message>
    <message>
        <source>Move %1 down</source>
        <translation>Pomeri %1 dole</translation>
    </message>
    <message>
        <source>Move %1 up</source>
        <translation>Pomeri %1 gore</translation>
    </message>
    <message>
        <source>Much longer than your text: read it before you replace.</source>
        <translation>Mnogo duže od vašeg teksta: pročitajte pre zamene.</translation>
    </message>
    <message>
        <source>Name, e.g. Make it friendlier</source>
        <translation>Ime, npr. Prijatnije</translation>
    </message>
    <message>
        <source>Neutral</source>
        <translation>Neutralno</translation>
    </message>
    <message>
        <source>New blocked app</source>
        <translation>Nova blokirana aplikacija</translation>
    </message>
    <message>
        <source>No corrections this session</source>
        <translation>Nema ispravki u ovoj sesiji</translation>
    </message>
    <message>
        <source>No credit left or rate limit reached on your OpenAI account.</source>
        <translation>Nema kredita ili je dostignut limit na OpenAI nalogu.</translation>
    </message>
    <message>
        <source>No internet connection. Please try again.</source>
        <translation>Nema internet konekcije. Pokušaj ponovo.</translation>
    </message>
    <message>
        <source>Not saved: no keyring available</source>
        <translation>Nije sačuvan: keyring nije dostupan</translation>
    </message>
    <message>
        <source>Not saved: the keyring is locked</source>
        <translation>Nije sačuvan: keyring je zaključan</translation>
    </message>
    <message>
        <source>Nothing answers at %1. Is the server running?</source>
        <translation>Na adresi %1 se niko ne javlja. Da li je server pokrenut?</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Isključen</translation>
    </message>
    <message>
        <source>OpenAI API key</source>
        <translation>OpenAI API ključ</translation>
    </message>
    <message>
        <source>OpenAI API key is not set. Open Settings.</source>
        <translation>OpenAI API ključ nije podešen. Otvori Podešavanja.</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Nalepi</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pauziraj</translation>
    </message>
    <message>
        <source>Permission granted</source>
        <translation>Dozvola odobrena</translation>
    </message>
    <message>
        <source>Polishing your text…</source>
        <translation>Ispravljam tekst…</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Predlošci</translation>
    </message>
    <message>
        <source>Press a shortcut…</source>
        <translation>Pritisni prečicu…</translation>
    </message>
    <message>
        <source>Professional</source>
        <translation>Profesionalno</translation>
    </message>
    <message>
        <source>Put the key in the API key field, not in the address.</source>
        <translation>Ključ upiši u polje za API ključ, ne u adresu.</translation>
    </message>
    <message>
        <source>Puts the replacement on the clipboard</source>
        <translation>Stavlja zamenu u clipboard</translation>
    </message>
    <message>
        <source>Quillet could not read this field&apos;s text, so nothing was sent.</source>
        <translation>Quillet nije mogao da pročita tekst ovog polja, pa ništa nije poslato.</translation>
    </message>
    <message>
        <source>Quillet sends text straight to the OpenAI API using your own key (BYOK). The key is stored exclusively in the system keyring.</source>
        <translation>Quillet šalje tekst direktno na OpenAI API tvojim ključem (BYOK). Ključ se čuva isključivo u sistemskom keyring-u.</translation>
    </message>
    <message>
        <source>Quillet uses the desktop&apos;s accessibility interface to see text fields and write the corrected text back. The app cannot work without it.

Settings → Accessibility → turn on assistive technologies. Then restart browsers and apps built on Chromium that were already open.</source>
        <translation>Quillet koristi interfejs pristupačnosti radne površine da vidi tekstualna polja i upiše ispravljen tekst. Bez njega aplikacija ne može da radi.

Podešavanja → Pristupačnost → uključi pomoćne tehnologije. Zatim ponovo pokreni pregledače i aplikacije zasnovane na Chromium-u koji su već bili otvoreni.</translation>
    </message>
    <message>
        <source>Quillet was too busy to take that — press again.</source>
        <translation>Quillet je bio previše zauzet da to primi — pritisnite ponovo.</translation>
    </message>
    <message>
        <source>Quillet — Settings</source>
        <translation>Quillet — Podešavanja</translation>
    </message>
    <message>
        <source>Quillet — Setup</source>
        <translation>Quillet — Podešavanje</translation>
    </message>
    <message>
        <source>Quillet — active</source>
        <translation>Quillet — aktivan</translation>
    </message>
    <message>
        <source>Quillet — paused</source>
        <translation>Quillet — pauziran</translation>
    </message>
    <message>
        <source>Quillet&apos;s GNOME Shell extension is not working: without it there is no icon at the field, no paste into other programs and no shortcut of Quillet&apos;s own.</source>
        <translation>Quillet-ov dodatak za GNOME Shell ne radi: bez njega nema ikonice u polju, lepljenja u druge programe ni Quillet-ove sopstvene prečice.</translation>
    </message>
    <message>
        <source>Quillet&apos;s menu entry asks for them, but KWin has not read it yet. Log out and back in, then start Quillet from the menu.</source>
        <translation>Quillet-ova stavka menija ih traži, ali ih KWin još nije pročitao. Odjavite se i ponovo prijavite, zatim pokrenite Quillet iz menija.</translation>
    </message>
    <message>
        <source>Quit Quillet</source>
        <translation>Zatvori Quillet</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Osveži</translation>
    </message>
    <message>
        <source>Refresh the model list</source>
        <translation>Osveži spisak modela</translation>
    </message>
    <message>
        <source>Remove %1</source>
        <translation>Ukloni %1</translation>
    </message>
    <message>
        <source>Rephrase</source>
        <translation>Refraza</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Zameni</translation>
    </message>
    <message>
        <source>Replaced</source>
        <translation>Zamenjeno</translation>
    </message>
    <message>
        <source>Replaced. Another program copied meanwhile; its copy is on the clipboard.</source>
        <translation>Zamenjeno. Drugi program je u međuvremenu kopirao; to je sada u ostavi.</translation>
    </message>
    <message>
        <source>Replacing when ready…</source>
        <translation>Zameniću čim bude spremno…</translation>
    </message>
    <message>
        <source>Request permission</source>
        <translation>Zatraži dozvolu</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Resetuj</translation>
    </message>
    <message>
        <source>Reset endpoint</source>
        <translation>Resetuj adresu servera</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Nastavi</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Pokreni</translation>
    </message>
    <message>
        <source>Run setup again…</source>
        <translation>Podesi ispočetka…</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sačuvaj</translation>
    </message>
    <message>
        <source>Save &amp; validate</source>
        <translation>Sačuvaj i proveri</translation>
    </message>
    <message>
        <source>Saved, but not sent over plain HTTP until you allow it below</source>
        <translation>Sačuvan, ali se ne šalje preko nešifrovanog HTTP-a dok to ne dozvoliš ispod</translation>
    </message>
    <message>
        <source>Send the key over plain HTTP</source>
        <translation>Šalji ključ preko nešifrovanog HTTP-a</translation>
    </message>
    <message>
        <source>Server and model</source>
        <translation>Server i model</translation>
    </message>
    <message>
        <source>Settings pages</source>
        <translation>Stranice podešavanja</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Podešavanja…</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Prečica</translation>
    </message>
    <message>
        <source>Step %1 of 3</source>
        <translation>Korak %1 od 3</translation>
    </message>
    <message>
        <source>Stored — type a new key to replace it</source>
        <translation>Sačuvan — upiši novi ključ da ga zameniš</translation>
    </message>
    <message>
        <source>The X server refused %1 (error %2).</source>
        <translation>X server je odbio %1 (greška %2).</translation>
    </message>
    <message>
        <source>The answer kept growing far past your text, so Quillet stopped it.</source>
        <translation>Odgovor je rastao daleko preko vašeg teksta, pa ga je Quillet prekinuo.</translation>
    </message>
    <message>
        <source>The answer took too long and was stopped. Try again.</source>
        <translation>Odgovor je trajao predugo i prekinut je. Pokušaj ponovo.</translation>
    </message>
    <message>
        <source>The answer was cut off. Please try again.</source>
        <translation>Odgovor je prekinut. Pokušaj ponovo.</translation>
    </message>
    <message>
        <source>The field is gone: its application closed, or another one is in front. Nothing was written.</source>
        <translation>Polja više nema: njegova aplikacija je zatvorena ili je ispred druga. Ništa nije upisano.</translation>
    </message>
    <message>
        <source>The instruction can be at most %1 characters long.</source>
        <translation>Uputstvo može imati najviše %1 znakova.</translation>
    </message>
    <message>
        <source>The key is not sent over plain HTTP to this server. Allow it in Settings.</source>
        <translation>Ključ se ne šalje ovom serveru preko nešifrovanog HTTP-a. Dozvoli to u Podešavanjima.</translation>
    </message>
    <message>
        <source>The keyring is not answering</source>
        <translation>Keyring ne odgovara</translation>
    </message>
    <message>
        <source>The keyring is not answering. Try again in a moment.</source>
        <translation>Keyring ne odgovara. Pokušaj ponovo za trenutak.</translation>
    </message>
    <message>
        <source>The keyring stayed locked.</source>
        <translation>Keyring je ostao zaključan.</translation>
    </message>
    <message>
        <source>The name can be at most %1 characters long.</source>
        <translation>Ime može imati najviše %1 znakova.</translation>
    </message>
    <message>
        <source>The saved address held a user name or password, which Quillet does not send. </source>
        <translation>Sačuvana adresa je sadržala korisničko ime ili lozinku, koje Quillet ne šalje. </translation>
    </message>
    <message>
        <source>The server did not answer in time. Try again.</source>
        <translation>Server nije odgovorio na vreme. Pokušaj ponovo.</translation>
    </message>
    <message>
        <source>The server had a problem (HTTP %1). Try again later.</source>
        <translation>Server je imao problem (HTTP %1). Pokušaj kasnije.</translation>
    </message>
    <message>
        <source>The server you chose (%1) needs no key: continue without one, or save the key it asks for.</source>
        <translation>Izabranom serveru (%1) ne treba ključ: nastavi bez njega ili sačuvaj ključ koji traži.</translation>
    </message>
    <message>
        <source>The server&apos;s certificate could not be verified.</source>
        <translation>Sertifikat servera nije mogao da se proveri.</translation>
    </message>
    <message>
        <source>The text changed after it was checked.</source>
        <translation>Tekst se promenio posle provere.</translation>
    </message>
    <message>
        <source>The text changed since; nothing was undone.</source>
        <translation>Tekst se u međuvremenu promenio; ništa nije vraćeno.</translation>
    </message>
    <message>
        <source>The text is long: only its first part was checked.</source>
        <translation>Tekst je dug: proveren je samo njegov prvi deo.</translation>
    </message>
    <message>
        <source>There is no X11 display to take %1 on.</source>
        <translation>Nema X11 ekrana na kome bi se zauzeo %1.</translation>
    </message>
    <message>
        <source>This desktop lets no program hold a shortcut of its own. In its keyboard settings, bind a key to this command:</source>
        <translation>Ovo okruženje ne dozvoljava programima da sami drže prečicu. U njegovim podešavanjima tastature dodelite taster ovoj naredbi:</translation>
    </message>
    <message>
        <source>This is a sentense with a cuple of mistakes that needs fixing.</source>
        <translation>Ovo je jedan recenica sa par greska koje treba ispraviti.</translation>
    </message>
    <message>
        <source>This key cannot be part of a shortcut.</source>
        <translation>Ovaj taster ne može biti deo prečice.</translation>
    </message>
    <message>
        <source>This server&apos;s address is not encrypted: anyone on the network between you and it can read the key.</source>
        <translation>Adresa ovog servera nije šifrovana: svako na mreži između tebe i njega može da pročita ključ.</translation>
    </message>
    <message>
        <source>This text holds a character a field cannot take. Nothing was written.</source>
        <translation>Ovaj tekst sadrži znak koji polje ne može da primi. Ništa nije upisano.</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Pokušaj ponovo</translation>
    </message>
    <message>
        <source>Try it now</source>
        <translation>Probaj odmah</translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation>Nedostupan</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Vrati</translation>
    </message>
    <message>
        <source>Unexpected API response</source>
        <translation>Neočekivan odgovor API-ja</translation>
    </message>
    <message>
        <source>Until restart</source>
        <translation>Do restarta</translation>
    </message>
    <message>
        <source>Use Ctrl, Alt or Super with %1: alone it would stop working in every other program.</source>
        <translation>Uz %1 koristi Ctrl, Alt ili Super: sam bi prestao da radi u svim drugim programima.</translation>
    </message>
    <message>
        <source>Waiting for permission…</source>
        <translation>Čekam dozvolu…</translation>
    </message>
    <message>
        <source>Welcome to Quillet</source>
        <translation>Dobrodošao u Quillet</translation>
    </message>
    <message>
        <source>What to do with the text, e.g. Make the text friendlier.</source>
        <translation>Šta uraditi s tekstom, npr. Učini tekst prijatnijim.</translation>
    </message>
    <message>
        <source>Working…</source>
        <translation>Radim…</translation>
    </message>
    <message>
        <source>Write what the action should do with the text.</source>
        <translation>Napišite šta akcija treba da uradi s tekstom.</translation>
    </message>
    <message>
        <source>Your AI writing assistant, everywhere you type</source>
        <translation>Tvoj AI asistent za pisanje, gde god da kucaš</translation>
    </message>
    <message>
        <source>Your text is already flawless</source>
        <translation>Tekst je već gramatički ispravan</translation>
    </message>
    <message>
        <source>e.g. org.gnome.Terminal</source>
        <translation>npr. org.gnome.Terminal</translation>
    </message>
    <message>
        <source>the model sent back an empty text</source>
        <translation>model je vratio prazan tekst</translation>
    </message>
    <message numerus="yes">
        <source>%n change(s)</source>
        <translation>
            <numerusform>%n izmena</numerusform>
            <numerusform>%n izmene</numerusform>
            <numerusform>%n izmena</numerusform>
        </translation>
    </message>
</context>
</TS>
