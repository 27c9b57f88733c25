<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AccessibleInterfaces</name>
    <message>
        <source>%1, on</source>
        <comment>a lamp or dot that is lit</comment>
        <translation>%1, an</translation>
    </message>
    <message>
        <source>%1, peak</source>
        <comment>the level lamp holding the peak</comment>
        <translation>%1, Spitze</translation>
    </message>
    <message>
        <source>%1, off</source>
        <comment>a lamp or dot that is dark</comment>
        <translation>%1, aus</translation>
    </message>
    <message>
        <source>%1, showing a tone</source>
        <translation>%1, zeigt einen Ton</translation>
    </message>
    <message>
        <source>%1, no tone</source>
        <translation>%1, kein Ton</translation>
    </message>
    <message numerus="yes">
        <source>-%n cent(s)</source>
        <comment>needle below the note</comment>
        <translation>
            <numerusform>-%n Cent</numerusform>
            <numerusform>-%n Cent</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>+%n cent(s)</source>
        <comment>needle at or above the note</comment>
        <translation>
            <numerusform>+%n Cent</numerusform>
            <numerusform>+%n Cent</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Help</name>
    <message>
        <source>Quaverly Help</source>
        <translation>Quaverly-Hilfe</translation>
    </message>
</context>
<context>
    <name>ImportedTemperaments</name>
    <message>
        <source>%1 cannot be imported: %2</source>
        <translation>%1 kann nicht importiert werden: %2</translation>
    </message>
    <message>
        <source>%1 cannot be imported: a temperament named “%2” is imported already; remove it first.</source>
        <translation>%1 kann nicht importiert werden: Eine Stimmung namens „%2“ ist bereits importiert; entfernen Sie sie zuerst.</translation>
    </message>
    <message>
        <source>%1 cannot be imported: it cannot be copied to %2.</source>
        <translation>%1 kann nicht importiert werden: Die Datei kann nicht nach %2 kopiert werden.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Strobe: the bars stand still when the note is in tune, drift right when sharp, left when flat</source>
        <translation>Stroboskop: Die Balken stehen still, wenn der Ton stimmt, und wandern nach rechts, wenn er zu hoch, nach links, wenn er zu tief ist</translation>
    </message>
    <message>
        <source>Strobe</source>
        <translation>Stroboskop</translation>
    </message>
    <message>
        <source>In tune within ±3 cents</source>
        <translation>Gestimmt auf ±3 Cent genau</translation>
    </message>
    <message>
        <source>In tune</source>
        <translation>Gestimmt</translation>
    </message>
    <message>
        <source>Flat</source>
        <translation>Zu tief</translation>
    </message>
    <message>
        <source>Sharp</source>
        <translation>Zu hoch</translation>
    </message>
    <message>
        <source>Deviation from the ideal frequency in cents</source>
        <translation>Abweichung von der idealen Frequenz in Cent</translation>
    </message>
    <message>
        <source>no input</source>
        <translation>kein Signal</translation>
    </message>
    <message>
        <source>The reading in words, for screen readers</source>
        <translation>Die Anzeige in Worten, für Bildschirmleser</translation>
    </message>
    <message>
        <source>Tuning meter</source>
        <translation>Stimmanzeige</translation>
    </message>
    <message>
        <source>Show or hide the settings (Ctrl+D)</source>
        <translation>Einstellungen ein- oder ausblenden (Strg+D)</translation>
    </message>
    <message>
        <source>Settings and readings</source>
        <translation>Einstellungen und Werte</translation>
    </message>
    <message>
        <source>Measured</source>
        <translation>Gemessen</translation>
    </message>
    <message>
        <source>Difference</source>
        <translation>Differenz</translation>
    </message>
    <message>
        <source>Ideal</source>
        <translation>Ideal</translation>
    </message>
    <message>
        <source>Input level</source>
        <translation>Pegel</translation>
    </message>
    <message>
        <source>Level lamp 1</source>
        <translation>Pegellampe 1</translation>
    </message>
    <message>
        <source>Level lamp 2</source>
        <translation>Pegellampe 2</translation>
    </message>
    <message>
        <source>Level lamp 3</source>
        <translation>Pegellampe 3</translation>
    </message>
    <message>
        <source>Level lamp 4</source>
        <translation>Pegellampe 4</translation>
    </message>
    <message>
        <source>Level lamp 5</source>
        <translation>Pegellampe 5</translation>
    </message>
    <message>
        <source>Level lamp 6</source>
        <translation>Pegellampe 6</translation>
    </message>
    <message>
        <source>Level lamp 7</source>
        <translation>Pegellampe 7</translation>
    </message>
    <message>
        <source>Level lamp 8</source>
        <translation>Pegellampe 8</translation>
    </message>
    <message>
        <source>Held peak level below full scale</source>
        <translation>Gehaltener Spitzenpegel unter Vollaussteuerung</translation>
    </message>
    <message>
        <source>Raise or lower the reference by 0.1 Hz</source>
        <translation>Stimmton um 0,1 Hz erhöhen oder senken</translation>
    </message>
    <message>
        <source>Temperament</source>
        <translation>Stimmung</translation>
    </message>
    <message>
        <source>Equal Temperament</source>
        <translation>Gleichstufige Stimmung</translation>
    </message>
    <message>
        <source>Temperament; each one shows its deviations from equal temperament</source>
        <translation>Stimmung; jede zeigt ihre Abweichungen von der gleichstufigen Stimmung</translation>
    </message>
    <message>
        <source>Tonic</source>
        <translation>Grundton</translation>
    </message>
    <message>
        <source>The note the temperament is laid on</source>
        <translation>Der Ton, auf den die Stimmung gelegt wird</translation>
    </message>
    <message>
        <source>Transposition</source>
        <translation>Transposition</translation>
    </message>
    <message>
        <source>Your instrument: sounding pitch minus written pitch, in semitones</source>
        <translation>Ihr Instrument: klingende minus notierte Tonhöhe, in Halbtönen</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>The microphone or input to listen to</source>
        <translation>Das Mikrofon oder der Eingang, dem zugehört wird</translation>
    </message>
    <message>
        <source>Input volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Input volume of the device</source>
        <translation>Eingangslautstärke des Geräts</translation>
    </message>
    <message>
        <source>&amp;Tuner</source>
        <translation>&amp;Stimmgerät</translation>
    </message>
    <message>
        <source>&amp;Note Names</source>
        <translation>&amp;Notennamen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Sound Settings…</source>
        <translation>&amp;Klangeinstellungen…</translation>
    </message>
    <message>
        <source>Show or Hide &amp;Settings</source>
        <translation>&amp;Einstellungen ein- oder ausblenden</translation>
    </message>
    <message>
        <source>&amp;English (C D E F G A B)</source>
        <translation>&amp;Englisch (C D E F G A B)</translation>
    </message>
    <message>
        <source>&amp;German (C D E F G A H, B for B♭)</source>
        <translation>&amp;Deutsch (C D E F G A H, B für B♭)</translation>
    </message>
    <message>
        <source>&amp;Solfège (Do Re Mi Fa Sol La Si)</source>
        <translation>&amp;Solmisation (Do Re Mi Fa Sol La Si)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Quaverly &amp;Help</source>
        <translation>Quaverly-&amp;Hilfe</translation>
    </message>
    <message>
        <source>Quaverly &amp;Web Page</source>
        <translation>Quaverly-&amp;Webseite</translation>
    </message>
    <message>
        <source>&amp;Detection</source>
        <translation>E&amp;rkennung</translation>
    </message>
    <message>
        <source>&amp;Classic</source>
        <translation>&amp;Klassisch</translation>
    </message>
    <message>
        <source>The tuner&apos;s original method: quick on clear tones such as flute, voice and guitar</source>
        <translation>Das ursprüngliche Verfahren des Stimmgeräts: schnell bei klaren Tönen wie Flöte, Stimme und Gitarre</translation>
    </message>
    <message>
        <source>&amp;Precise — low, reed and organ tones</source>
        <translation>&amp;Präzise – tiefe, Rohrblatt- und Orgeltöne</translation>
    </message>
    <message>
        <source>For low strings, bassoon, organ, piano and clarinet, where the classic method can jump an octave or a twelfth</source>
        <translation>Für tiefe Saiten, Fagott, Orgel, Klavier und Klarinette, bei denen das klassische Verfahren um eine Oktave oder Duodezime springen kann</translation>
    </message>
    <message>
        <source>Set the reference pitch so that the steady note being played reads 0 cents</source>
        <translation>Den Stimmton so setzen, dass der gehaltene gespielte Ton 0 Cent anzeigt</translation>
    </message>
    <message>
        <source>Play Reference &amp;Tone</source>
        <translation>Referenz&amp;ton spielen</translation>
    </message>
    <message>
        <source>Play the ideal frequency of the note on screen</source>
        <translation>Die ideale Frequenz des angezeigten Tons spielen</translation>
    </message>
    <message>
        <source>Reference Tone a Semitone &amp;Up</source>
        <translation>Referenzton einen Halbton &amp;höher</translation>
    </message>
    <message>
        <source>Reference Tone a Semitone &amp;Down</source>
        <translation>Referen&amp;zton einen Halbton tiefer</translation>
    </message>
    <message>
        <source>&amp;Import Temperament…</source>
        <translation>Stimmung &amp;importieren…</translation>
    </message>
    <message>
        <source>Add a twelve-note Scala (.scl) scale to the temperaments</source>
        <translation>Eine zwölftönige Scala-Skala (.scl) zu den Stimmungen hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove Temperament…</source>
        <translation>Stimmung ent&amp;fernen…</translation>
    </message>
</context>
<context>
    <name>NoteNamingTexts</name>
    <message>
        <source>alto sax, alto clarinet</source>
        <translation>Altsaxophon, Altklarinette</translation>
    </message>
    <message>
        <source>horn, English horn</source>
        <translation>Horn, Englischhorn</translation>
    </message>
    <message>
        <source>alto flute</source>
        <translation>Altflöte</translation>
    </message>
    <message>
        <source>clarinet, trumpet, soprano sax</source>
        <translation>Klarinette, Trompete, Sopransaxophon</translation>
    </message>
    <message>
        <source>concert pitch</source>
        <translation>klingend</translation>
    </message>
    <message>
        <source>piccolo trumpet</source>
        <translation>Piccolotrompete</translation>
    </message>
    <message>
        <source>%1 clarinet</source>
        <comment>a clarinet in the key %1</comment>
        <translation>%1-Klarinette</translation>
    </message>
    <message>
        <source>%1 trumpet</source>
        <comment>a trumpet in the key %1</comment>
        <translation>%1-Trompete</translation>
    </message>
    <message>
        <source>%1 clarinet, %1 trumpet</source>
        <comment>instruments in the key %1</comment>
        <translation>%1-Klarinette, %1-Trompete</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <comment>transposition in semitones, its key</comment>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>%1 (%2: %3)</source>
        <comment>transposition in semitones, its key, instruments</comment>
        <translation>%1 (%2: %3)</translation>
    </message>
    <message>
        <source>Cents from equal temperament, A = 0:
%1</source>
        <comment>%1 is three lines of note names with their cents</comment>
        <translation>Cent gegenüber gleichstufiger Stimmung, A = 0:
%1</translation>
    </message>
    <message>
        <source>%1 reference</source>
        <comment>caption of the reference pitch; %1 is A4</comment>
        <translation>Stimmton %1</translation>
    </message>
    <message>
        <source>Frequency of %1, 349.0 to 499.9 Hz</source>
        <comment>%1 is A4</comment>
        <translation>Frequenz von %1, 349,0 bis 499,9 Hz</translation>
    </message>
    <message>
        <source>%1 reference stepper</source>
        <comment>%1 is A4</comment>
        <translation>Stimmton-%1-Regler</translation>
    </message>
    <message>
        <source>The note a written %1 sounds</source>
        <comment>%1 is C</comment>
        <translation>Der Ton, der für ein notiertes %1 erklingt</translation>
    </message>
    <message>
        <source>Set %1 from &amp;Played Note</source>
        <comment>Tuner menu; %1 is A4</comment>
        <translation>%1 aus &amp;gespieltem Ton setzen</translation>
    </message>
</context>
<context>
    <name>ReadoutPanel</name>
    <message>
        <source>no input</source>
        <comment>instead of the cents</comment>
        <translation>kein Signal</translation>
    </message>
</context>
<context>
    <name>Temperaments</name>
    <message>
        <source>1/4-comma meantone</source>
        <translation>1/4-Komma-mitteltönig</translation>
    </message>
    <message>
        <source>1/6-comma meantone</source>
        <translation>1/6-Komma-mitteltönig</translation>
    </message>
    <message>
        <source>Just intonation</source>
        <translation>Reine Stimmung</translation>
    </message>
    <message>
        <source>Pythagorean</source>
        <translation>Pythagoreisch</translation>
    </message>
</context>
<context>
    <name>quaverly::AUInputUnit</name>
    <message>
        <source>n/a</source>
        <comment>volume not adjustable</comment>
        <translation>–</translation>
    </message>
</context>
<context>
    <name>quaverly::Controller</name>
    <message>
        <source>Sorry, Quaverly cannot run without an audio input device.</source>
        <translation>Quaverly kann leider nicht ohne Audio-Eingabegerät laufen.</translation>
    </message>
    <message>
        <source>The temperament “%1” chosen last time is no longer imported; Equal Temperament is used.</source>
        <translation>Die zuletzt gewählte Stimmung „%1“ ist nicht mehr importiert; die gleichstufige Stimmung wird verwendet.</translation>
    </message>
    <message>
        <source>Import Temperament</source>
        <translation>Stimmung importieren</translation>
    </message>
    <message>
        <source>Scala scales (*.scl);;All files (*)</source>
        <translation>Scala-Skalen (*.scl);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Remove Temperament</source>
        <translation>Stimmung entfernen</translation>
    </message>
    <message>
        <source>Imported temperament to remove:</source>
        <translation>Zu entfernende importierte Stimmung:</translation>
    </message>
    <message>
        <source>“%1” cannot be removed.</source>
        <translation>„%1“ kann nicht entfernt werden.</translation>
    </message>
    <message>
        <source>Reference tone playing: %1, %2</source>
        <translation>Referenzton spielt: %1, %2</translation>
    </message>
</context>
<context>
    <name>quaverly::SpokenReading</name>
    <message>
        <source>flat</source>
        <comment>accidental: B flat</comment>
        <translation>Be</translation>
    </message>
    <message>
        <source>sharp</source>
        <comment>accidental: C sharp</comment>
        <translation>Kreuz</translation>
    </message>
    <message>
        <source>no input</source>
        <translation>kein Signal</translation>
    </message>
    <message>
        <source>%1, in tune</source>
        <comment>note name</comment>
        <translation>%1, gestimmt</translation>
    </message>
    <message numerus="yes">
        <source>%1, %n cent(s) sharp</source>
        <comment>note name, deviation above</comment>
        <translation>
            <numerusform>%1, %n Cent zu hoch</numerusform>
            <numerusform>%1, %n Cent zu hoch</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, %n cent(s) flat</source>
        <comment>note name, deviation below</comment>
        <translation>
            <numerusform>%1, %n Cent zu tief</numerusform>
            <numerusform>%1, %n Cent zu tief</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quaverly::TuningMeterView</name>
    <message>
        <source>CENTS</source>
        <comment>small caption on the meter face</comment>
        <translation>CENT</translation>
    </message>
    <message>
        <source>FLAT</source>
        <comment>left end of the meter face</comment>
        <translation>TIEF</translation>
    </message>
    <message>
        <source>SHARP</source>
        <comment>right end of the meter face</comment>
        <translation>HOCH</translation>
    </message>
</context>
</TS>
