<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AccessibleInterfaces</name>
    <message>
        <source>%1, on</source>
        <comment>a lamp or dot that is lit</comment>
        <translation>%1, allumé</translation>
    </message>
    <message>
        <source>%1, peak</source>
        <comment>the level lamp holding the peak</comment>
        <translation>%1, crête</translation>
    </message>
    <message>
        <source>%1, off</source>
        <comment>a lamp or dot that is dark</comment>
        <translation>%1, éteint</translation>
    </message>
    <message>
        <source>%1, showing a tone</source>
        <translation>%1, montre un son</translation>
    </message>
    <message>
        <source>%1, no tone</source>
        <translation>%1, aucun son</translation>
    </message>
    <message numerus="yes">
        <source>-%n cent(s)</source>
        <comment>needle below the note</comment>
        <translation>
            <numerusform>-%n cent</numerusform>
            <numerusform>-%n cents</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>+%n cent(s)</source>
        <comment>needle at or above the note</comment>
        <translation>
            <numerusform>+%n cent</numerusform>
            <numerusform>+%n cents</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Help</name>
    <message>
        <source>Quaverly Help</source>
        <translation>Aide de Quaverly</translation>
    </message>
</context>
<context>
    <name>ImportedTemperaments</name>
    <message>
        <source>%1 cannot be imported: %2</source>
        <translation>%1 ne peut pas être importé : %2</translation>
    </message>
    <message>
        <source>%1 cannot be imported: a temperament named “%2” is imported already; remove it first.</source>
        <translation>%1 ne peut pas être importé : un tempérament nommé « %2 » est déjà importé ; supprimez-le d&apos;abord.</translation>
    </message>
    <message>
        <source>%1 cannot be imported: it cannot be copied to %2.</source>
        <translation>%1 ne peut pas être importé : il ne peut pas être copié dans %2.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Strobe: the bars stand still when the note is in tune, drift right when sharp, left when flat</source>
        <translation>Stroboscope : les barres restent immobiles quand la note est juste, dérivent vers la droite quand elle est trop haute, vers la gauche quand elle est trop basse</translation>
    </message>
    <message>
        <source>Strobe</source>
        <translation>Stroboscope</translation>
    </message>
    <message>
        <source>In tune within ±3 cents</source>
        <translation>Juste à ±3 cents près</translation>
    </message>
    <message>
        <source>In tune</source>
        <translation>Juste</translation>
    </message>
    <message>
        <source>Flat</source>
        <translation>Trop bas</translation>
    </message>
    <message>
        <source>Sharp</source>
        <translation>Trop haut</translation>
    </message>
    <message>
        <source>Deviation from the ideal frequency in cents</source>
        <translation>Écart par rapport à la fréquence idéale, en cents</translation>
    </message>
    <message>
        <source>no input</source>
        <translation>aucun signal</translation>
    </message>
    <message>
        <source>The reading in words, for screen readers</source>
        <translation>L&apos;affichage en mots, pour les lecteurs d&apos;écran</translation>
    </message>
    <message>
        <source>Tuning meter</source>
        <translation>Indicateur d&apos;accord</translation>
    </message>
    <message>
        <source>Show or hide the settings (Ctrl+D)</source>
        <translation>Afficher ou masquer les réglages (Ctrl+D)</translation>
    </message>
    <message>
        <source>Settings and readings</source>
        <translation>Réglages et mesures</translation>
    </message>
    <message>
        <source>Measured</source>
        <translation>Mesurée</translation>
    </message>
    <message>
        <source>Difference</source>
        <translation>Écart</translation>
    </message>
    <message>
        <source>Ideal</source>
        <translation>Idéale</translation>
    </message>
    <message>
        <source>Input level</source>
        <translation>Niveau</translation>
    </message>
    <message>
        <source>Level lamp 1</source>
        <translation>Voyant de niveau 1</translation>
    </message>
    <message>
        <source>Level lamp 2</source>
        <translation>Voyant de niveau 2</translation>
    </message>
    <message>
        <source>Level lamp 3</source>
        <translation>Voyant de niveau 3</translation>
    </message>
    <message>
        <source>Level lamp 4</source>
        <translation>Voyant de niveau 4</translation>
    </message>
    <message>
        <source>Level lamp 5</source>
        <translation>Voyant de niveau 5</translation>
    </message>
    <message>
        <source>Level lamp 6</source>
        <translation>Voyant de niveau 6</translation>
    </message>
    <message>
        <source>Level lamp 7</source>
        <translation>Voyant de niveau 7</translation>
    </message>
    <message>
        <source>Level lamp 8</source>
        <translation>Voyant de niveau 8</translation>
    </message>
    <message>
        <source>Held peak level below full scale</source>
        <translation>Niveau de crête maintenu sous la pleine échelle</translation>
    </message>
    <message>
        <source>Raise or lower the reference by 0.1 Hz</source>
        <translation>Monter ou baisser la référence de 0,1 Hz</translation>
    </message>
    <message>
        <source>Temperament</source>
        <translation>Tempérament</translation>
    </message>
    <message>
        <source>Equal Temperament</source>
        <translation>Tempérament égal</translation>
    </message>
    <message>
        <source>Temperament; each one shows its deviations from equal temperament</source>
        <translation>Tempérament ; chacun indique ses écarts par rapport au tempérament égal</translation>
    </message>
    <message>
        <source>Tonic</source>
        <translation>Tonique</translation>
    </message>
    <message>
        <source>The note the temperament is laid on</source>
        <translation>La note sur laquelle le tempérament est posé</translation>
    </message>
    <message>
        <source>Transposition</source>
        <translation>Transposition</translation>
    </message>
    <message>
        <source>Your instrument: sounding pitch minus written pitch, in semitones</source>
        <translation>Votre instrument : hauteur réelle moins hauteur écrite, en demi-tons</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Entrée</translation>
    </message>
    <message>
        <source>The microphone or input to listen to</source>
        <translation>Le micro ou l&apos;entrée à écouter</translation>
    </message>
    <message>
        <source>Input volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Input volume of the device</source>
        <translation>Volume d&apos;entrée du périphérique</translation>
    </message>
    <message>
        <source>&amp;Tuner</source>
        <translation>&amp;Accordeur</translation>
    </message>
    <message>
        <source>&amp;Note Names</source>
        <translation>&amp;Noms des notes</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;Sound Settings…</source>
        <translation>Réglages du &amp;son…</translation>
    </message>
    <message>
        <source>Show or Hide &amp;Settings</source>
        <translation>Afficher ou masquer les &amp;réglages</translation>
    </message>
    <message>
        <source>&amp;English (C D E F G A B)</source>
        <translation>&amp;Anglais (C D E F G A B)</translation>
    </message>
    <message>
        <source>&amp;German (C D E F G A H, B for B♭)</source>
        <translation>A&amp;llemand (C D E F G A H, B pour B♭)</translation>
    </message>
    <message>
        <source>&amp;Solfège (Do Re Mi Fa Sol La Si)</source>
        <translation>&amp;Solfège (Do Re Mi Fa Sol La Si)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>Quaverly &amp;Help</source>
        <translation>Aide de &amp;Quaverly</translation>
    </message>
    <message>
        <source>Quaverly &amp;Web Page</source>
        <translation>Page &amp;web de Quaverly</translation>
    </message>
    <message>
        <source>&amp;Detection</source>
        <translation>&amp;Détection</translation>
    </message>
    <message>
        <source>&amp;Classic</source>
        <translation>&amp;Classique</translation>
    </message>
    <message>
        <source>The tuner&apos;s original method: quick on clear tones such as flute, voice and guitar</source>
        <translation>La méthode d&apos;origine de l&apos;accordeur : rapide sur les sons clairs comme la flûte, la voix et la guitare</translation>
    </message>
    <message>
        <source>&amp;Precise — low, reed and organ tones</source>
        <translation>&amp;Précise — sons graves, à anche et d&apos;orgue</translation>
    </message>
    <message>
        <source>For low strings, bassoon, organ, piano and clarinet, where the classic method can jump an octave or a twelfth</source>
        <translation>Pour les cordes graves, le basson, l&apos;orgue, le piano et la clarinette, où la méthode classique peut sauter d&apos;une octave ou d&apos;une douzième</translation>
    </message>
    <message>
        <source>Set the reference pitch so that the steady note being played reads 0 cents</source>
        <translation>Régler la référence pour que la note tenue jouée indique 0 cent</translation>
    </message>
    <message>
        <source>Play Reference &amp;Tone</source>
        <translation>Jouer la note de référen&amp;ce</translation>
    </message>
    <message>
        <source>Play the ideal frequency of the note on screen</source>
        <translation>Jouer la fréquence idéale de la note affichée</translation>
    </message>
    <message>
        <source>Reference Tone a Semitone &amp;Up</source>
        <translation>Note de référence un demi-ton plus &amp;haut</translation>
    </message>
    <message>
        <source>Reference Tone a Semitone &amp;Down</source>
        <translation>Note de référence un demi-ton plus &amp;bas</translation>
    </message>
    <message>
        <source>&amp;Import Temperament…</source>
        <translation>&amp;Importer un tempérament…</translation>
    </message>
    <message>
        <source>Add a twelve-note Scala (.scl) scale to the temperaments</source>
        <translation>Ajouter une gamme Scala (.scl) de douze notes aux tempéraments</translation>
    </message>
    <message>
        <source>&amp;Remove Temperament…</source>
        <translation>Su&amp;pprimer un tempérament…</translation>
    </message>
</context>
<context>
    <name>NoteNamingTexts</name>
    <message>
        <source>alto sax, alto clarinet</source>
        <translation>saxophone alto, clarinette alto</translation>
    </message>
    <message>
        <source>horn, English horn</source>
        <translation>cor, cor anglais</translation>
    </message>
    <message>
        <source>alto flute</source>
        <translation>flûte alto</translation>
    </message>
    <message>
        <source>clarinet, trumpet, soprano sax</source>
        <translation>clarinette, trompette, saxophone soprano</translation>
    </message>
    <message>
        <source>concert pitch</source>
        <translation>son réel</translation>
    </message>
    <message>
        <source>piccolo trumpet</source>
        <translation>trompette piccolo</translation>
    </message>
    <message>
        <source>%1 clarinet</source>
        <comment>a clarinet in the key %1</comment>
        <translation>clarinette en %1</translation>
    </message>
    <message>
        <source>%1 trumpet</source>
        <comment>a trumpet in the key %1</comment>
        <translation>trompette en %1</translation>
    </message>
    <message>
        <source>%1 clarinet, %1 trumpet</source>
        <comment>instruments in the key %1</comment>
        <translation>clarinette en %1, trompette en %1</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <comment>transposition in semitones, its key</comment>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>%1 (%2: %3)</source>
        <comment>transposition in semitones, its key, instruments</comment>
        <translation>%1 (%2 : %3)</translation>
    </message>
    <message>
        <source>Cents from equal temperament, A = 0:
%1</source>
        <comment>%1 is three lines of note names with their cents</comment>
        <translation>Cents par rapport au tempérament égal, La = 0 :
%1</translation>
    </message>
    <message>
        <source>%1 reference</source>
        <comment>caption of the reference pitch; %1 is A4</comment>
        <translation>Diapason %1</translation>
    </message>
    <message>
        <source>Frequency of %1, 349.0 to 499.9 Hz</source>
        <comment>%1 is A4</comment>
        <translation>Fréquence du %1, de 349,0 à 499,9 Hz</translation>
    </message>
    <message>
        <source>%1 reference stepper</source>
        <comment>%1 is A4</comment>
        <translation>Réglage du diapason %1</translation>
    </message>
    <message>
        <source>The note a written %1 sounds</source>
        <comment>%1 is C</comment>
        <translation>La note que fait entendre un %1 écrit</translation>
    </message>
    <message>
        <source>Set %1 from &amp;Played Note</source>
        <comment>Tuner menu; %1 is A4</comment>
        <translation>Caler le %1 sur la note &amp;jouée</translation>
    </message>
</context>
<context>
    <name>ReadoutPanel</name>
    <message>
        <source>no input</source>
        <comment>instead of the cents</comment>
        <translation>aucun signal</translation>
    </message>
</context>
<context>
    <name>Temperaments</name>
    <message>
        <source>1/4-comma meantone</source>
        <translation>Mésotonique 1/4 de comma</translation>
    </message>
    <message>
        <source>1/6-comma meantone</source>
        <translation>Mésotonique 1/6 de comma</translation>
    </message>
    <message>
        <source>Just intonation</source>
        <translation>Intonation juste</translation>
    </message>
    <message>
        <source>Pythagorean</source>
        <translation>Pythagoricien</translation>
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
        <translation>Désolé, Quaverly ne peut pas fonctionner sans périphérique d&apos;entrée audio.</translation>
    </message>
    <message>
        <source>The temperament “%1” chosen last time is no longer imported; Equal Temperament is used.</source>
        <translation>Le tempérament « %1 » choisi la dernière fois n&apos;est plus importé ; le tempérament égal est utilisé.</translation>
    </message>
    <message>
        <source>Import Temperament</source>
        <translation>Importer un tempérament</translation>
    </message>
    <message>
        <source>Scala scales (*.scl);;All files (*)</source>
        <translation>Gammes Scala (*.scl);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Remove Temperament</source>
        <translation>Supprimer un tempérament</translation>
    </message>
    <message>
        <source>Imported temperament to remove:</source>
        <translation>Tempérament importé à supprimer :</translation>
    </message>
    <message>
        <source>“%1” cannot be removed.</source>
        <translation>« %1 » ne peut pas être supprimé.</translation>
    </message>
    <message>
        <source>Reference tone playing: %1, %2</source>
        <translation>Note de référence en cours : %1, %2</translation>
    </message>
</context>
<context>
    <name>quaverly::SpokenReading</name>
    <message>
        <source>flat</source>
        <comment>accidental: B flat</comment>
        <translation>bémol</translation>
    </message>
    <message>
        <source>sharp</source>
        <comment>accidental: C sharp</comment>
        <translation>dièse</translation>
    </message>
    <message>
        <source>no input</source>
        <translation>aucun signal</translation>
    </message>
    <message>
        <source>%1, in tune</source>
        <comment>note name</comment>
        <translation>%1, juste</translation>
    </message>
    <message numerus="yes">
        <source>%1, %n cent(s) sharp</source>
        <comment>note name, deviation above</comment>
        <translation>
            <numerusform>%1, %n cent trop haut</numerusform>
            <numerusform>%1, %n cents trop haut</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, %n cent(s) flat</source>
        <comment>note name, deviation below</comment>
        <translation>
            <numerusform>%1, %n cent trop bas</numerusform>
            <numerusform>%1, %n cents trop bas</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quaverly::TuningMeterView</name>
    <message>
        <source>CENTS</source>
        <comment>small caption on the meter face</comment>
        <translation>CENTS</translation>
    </message>
    <message>
        <source>FLAT</source>
        <comment>left end of the meter face</comment>
        <translation>BAS</translation>
    </message>
    <message>
        <source>SHARP</source>
        <comment>right end of the meter face</comment>
        <translation>HAUT</translation>
    </message>
</context>
</TS>
