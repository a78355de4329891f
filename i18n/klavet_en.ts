<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="fr">
<context>
    <name>CommandLine</name>
    <message>
        <source>Utilisation : %1 [options]</source>
        <translation>Usage: %1 [options]</translation>
    </message>
    <message>
        <source>Entraînement à l&apos;envoi du code Morse au manipulateur droit : manipulez les signes avec
un bouton de la souris, écoutez-les et voyez-les décodés. La page de manuel klavet(1)
explique comment écouter, calibrer et manipuler.</source>
        <translation>Trainer for sending Morse code with a straight key: key the signs with
a mouse button, hear them and see them decoded. The manual page
klavet(1) tells how to listen, calibrate and key.</translation>
    </message>
    <message>
        <source>Affiche cette aide et quitte.</source>
        <translation>Show this help and exit.</translation>
    </message>
    <message>
        <source>Affiche la version et quitte.</source>
        <translation>Show the version and exit.</translation>
    </message>
    <message>
        <source>Utilise le greffon de plateforme Qt &lt;nom&gt;. L&apos;entraîneur est fait pour xcb (X11, ou XWayland).</source>
        <translation>Use Qt&apos;s platform plugin &lt;name&gt;. The trainer is made for xcb (X11, or XWayland).</translation>
    </message>
    <message>
        <source>nom</source>
        <translation>name</translation>
    </message>
    <message>
        <source>Ouvre l&apos;affichage X &lt;affichage&gt; au lieu de $DISPLAY.</source>
        <translation>Open the X display &lt;display&gt; instead of $DISPLAY.</translation>
    </message>
    <message>
        <source>affichage</source>
        <translation>display</translation>
    </message>
    <message>
        <source>Restaure la session &lt;id&gt; ; donné par le gestionnaire de session.</source>
        <translation>Restore the session &lt;id&gt;; given by the session manager.</translation>
    </message>
    <message>
        <source>Manipule avec un manipulateur droit sur le port série &lt;port&gt; (comme /dev/ttyUSB0) : DTR et RTS sont levés, et un contact sur CTS, DSR ou DCD est la touche enfoncée. Aucun autre port n&apos;est jamais ouvert.</source>
        <translation>Key with a straight key on the serial port &lt;port&gt; (such as /dev/ttyUSB0): DTR and RTS are raised, and a contact on CTS, DSR or DCD is the key down. No other port is ever opened.</translation>
    </message>
    <message>
        <source>Ouvre le panneau de rythme, qui dessine chaque signe manipulé face à son rythme idéal et donne sa vitesse, sa note et les défauts des derniers signes.</source>
        <translation>Open the rhythm panel, which draws each sign keyed against its ideal timing and gives its speed, its score and the faults of the latest signs.</translation>
    </message>
    <message>
        <source> Voir « %1 --help ».</source>
        <translation> See &apos;%1 --help&apos;.</translation>
    </message>
    <message>
        <source>Argument inattendu « %1 ».</source>
        <translation>Unexpected argument &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Option --key-port donnée deux fois.</source>
        <translation>Option --key-port given twice.</translation>
    </message>
    <message>
        <source>L&apos;option --key-port demande le port, comme dans --key-port /dev/ttyUSB0.</source>
        <translation>Option --key-port needs the port, as in --key-port /dev/ttyUSB0.</translation>
    </message>
</context>
<context>
    <name>DisplayProblem</name>
    <message>
        <source>Pas d&apos;affichage X : DISPLAY n&apos;est pas défini, et l&apos;entraîneur a besoin de X11 (ou de XWayland).</source>
        <translation>No X display: DISPLAY is not set, and the trainer needs X11 (or XWayland).</translation>
    </message>
    <message>
        <source>Impossible d&apos;ouvrir l&apos;affichage X « %1 ».</source>
        <translation>Cannot open the X display &apos;%1&apos;.</translation>
    </message>
</context>
<context>
    <name>FrmKlavet</name>
    <message>
        <source>volume</source>
        <translation>volume</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Ouvrir le réglage du volume du système</source>
        <translation>Open the system&apos;s volume control</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Quitter l&apos;entraîneur</source>
        <translation>Quit the trainer</translation>
    </message>
    <message>
        <source>  Calibrage</source>
        <translation>  Calibrate</translation>
    </message>
    <message>
        <source>Calibrage</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <source>Cochée, une série de points mesure la vitesse ; décochée, les signes manipulés sont décodés</source>
        <translation>Ticked, a series of dots measures your speed; unticked, the signs you key are decoded</translation>
    </message>
    <message>
        <source>Aide</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Ouvrir l&apos;aide</source>
        <translation>Open the help</translation>
    </message>
    <message>
        <source>Écouter le signe</source>
        <translation>Play the sign</translation>
    </message>
    <message>
        <source>Signe à étudier</source>
        <translation>Sign to learn</translation>
    </message>
    <message>
        <source>Tapez le signe à écouter puis à reproduire</source>
        <translation>Type the sign to hear, then key it back</translation>
    </message>
    <message>
        <source>Manipulateur</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>Contact du manipulateur : appui court pour un point, long pour un trait. Manipulez avec un bouton de la souris, la barre d&apos;espace quand le contact a le focus, l&apos;une des touches Ctrl, ou un manipulateur branché sur le port série</source>
        <translation>The key&apos;s contact: a short press for a dot, a long one for a dash. Key with a mouse button, the Space bar while the contact has the focus, either Ctrl key, or a key wired to the serial port</translation>
    </message>
    <message>
        <source>Manipulateur enfoncé</source>
        <translation>Key pressed</translation>
    </message>
    <message>
        <source>Manipulateur au repos</source>
        <translation>Key at rest</translation>
    </message>
    <message>
        <source>Résultat : le signe manipulé ou écouté</source>
        <translation>Result: the sign keyed or played</translation>
    </message>
    <message>
        <source>Code du signe écouté</source>
        <translation>Code of the sign played</translation>
    </message>
</context>
<context>
    <name>KeyPortNews</name>
    <message>
        <source>introuvable</source>
        <translation>not found</translation>
    </message>
    <message>
        <source>pas un port série</source>
        <translation>not a serial port</translation>
    </message>
    <message>
        <source>pas de lignes de modem (pas un port série)</source>
        <translation>has no modem lines (not a serial port)</translation>
    </message>
    <message>
        <source>impossible de l&apos;ouvrir : %1 (l&apos;utilisateur est-il dans le groupe qui le possède, souvent dialout ?)</source>
        <translation>cannot open it: %1 (is the user in the group that owns it, often dialout?)</translation>
    </message>
    <message>
        <source>impossible de l&apos;ouvrir : %1</source>
        <translation>cannot open it: %1</translation>
    </message>
    <message>
        <source>port du manipulateur %1 : %2</source>
        <translation>key port %1: %2</translation>
    </message>
    <message>
        <source>port du manipulateur %1 : introuvable ; il servira dès qu&apos;il sera branché</source>
        <translation>key port %1: not found; will use it once it is plugged in</translation>
    </message>
    <message>
        <source>port du manipulateur %1 : branché, on manipule avec</source>
        <translation>key port %1: plugged in, keying with it</translation>
    </message>
    <message>
        <source>port du manipulateur %1 : débranché ; il resservira dès son retour</source>
        <translation>key port %1: unplugged; will use it again once it is back</translation>
    </message>
</context>
<context>
    <name>PlatformGuard</name>
    <message>
        <source>impossible de démarrer le greffon de plateforme Qt « %1 » : Klavet fonctionne sous X11 (le greffon xcb), ou XWayland.</source>
        <translation>cannot start Qt&apos;s platform plugin &apos;%1&apos;: Klavet runs on X11 (the xcb plugin), or XWayland.</translation>
    </message>
</context>
<context>
    <name>RhythmTexts</name>
    <message>
        <source>&amp;Rythme</source>
        <translation>&amp;Rhythm</translation>
    </message>
    <message>
        <source>frappé</source>
        <translation>keyed</translation>
    </message>
    <message>
        <source>idéal</source>
        <translation>ideal</translation>
    </message>
    <message>
        <source>attendu</source>
        <translation>expected</translation>
    </message>
    <message>
        <source>moyenne</source>
        <translation>mean</translation>
    </message>
    <message>
        <source>Rythme</source>
        <translation>Rhythm</translation>
    </message>
    <message>
        <source>Dessin du signe</source>
        <translation>Drawing of the sign</translation>
    </message>
    <message>
        <source>Dernier signe</source>
        <translation>Last sign</translation>
    </message>
    <message>
        <source>Appuis et espaces</source>
        <translation>Marks and spaces</translation>
    </message>
    <message>
        <source>Vitesse de référence</source>
        <translation>Reference speed</translation>
    </message>
    <message>
        <source>Signes récents</source>
        <translation>Recent signs</translation>
    </message>
    <message>
        <source>Conseil</source>
        <translation>Advice</translation>
    </message>
    <message>
        <source>Écho</source>
        <translation>Echo</translation>
    </message>
    <message>
        <source>non calibré (unité %1 ms)</source>
        <translation>not calibrated (unit %1 ms)</translation>
    </message>
    <message>
        <source>calibré, unité %1 ms</source>
        <translation>calibrated, unit %1 ms</translation>
    </message>
    <message>
        <source>calibré %1 mots/min (unité %2 ms)</source>
        <translation>calibrated %1 wpm (unit %2 ms)</translation>
    </message>
    <message>
        <source>Calibrage : 1 point</source>
        <translation>Calibration: 1 dot</translation>
    </message>
    <message>
        <source>Calibrage : %1 points</source>
        <translation>Calibration: %1 dots</translation>
    </message>
    <message>
        <source>, écart %1 %</source>
        <translation>, spread %1%</translation>
    </message>
    <message>
        <source>unité %1 ms, %2 mots/min</source>
        <translation>unit %1 ms, %2 wpm</translation>
    </message>
    <message>
        <source>calibrage irrégulier : refaites quelques points</source>
        <translation>uneven calibration: key a few more dots</translation>
    </message>
    <message>
        <source>régulier</source>
        <translation>even</translation>
    </message>
    <message>
        <source>traits trop courts</source>
        <translation>dashes too short</translation>
    </message>
    <message>
        <source>traits trop longs</source>
        <translation>dashes too long</translation>
    </message>
    <message>
        <source>espaces trop courts</source>
        <translation>spaces too short</translation>
    </message>
    <message>
        <source>espaces trop longs</source>
        <translation>spaces too long</translation>
    </message>
    <message>
        <source>points irréguliers</source>
        <translation>uneven dots</translation>
    </message>
    <message>
        <source>traits irréguliers</source>
        <translation>uneven dashes</translation>
    </message>
    <message>
        <source>Aucun signe manipulé</source>
        <translation>No sign keyed yet</translation>
    </message>
    <message>
        <source>Signe inconnu</source>
        <translation>Unknown sign</translation>
    </message>
    <message>
        <source>Signe %1</source>
        <translation>Sign %1</translation>
    </message>
    <message>
        <source>%1 : appuis faits pendant l&apos;écoute, non mesurés</source>
        <translation>%1: keyed while a sign played, not timed</translation>
    </message>
    <message>
        <source>%1 : mêlé au calibrage, non jugé</source>
        <translation>%1: mixed with calibration, not judged</translation>
    </message>
    <message>
        <source>%1 : appuis sans durée, non jugé</source>
        <translation>%1: presses of no length, not judged</translation>
    </message>
    <message>
        <source>%1 : %2 mots/min, unité %3 ms</source>
        <translation>%1: %2 wpm, unit %3 ms</translation>
    </message>
    <message>
        <source>, note %1/100</source>
        <translation>, score %1/100</translation>
    </message>
    <message>
        <source>en unités : appuis %1</source>
        <translation>in units: marks %1</translation>
    </message>
    <message>
        <source>, espaces %1</source>
        <translation>, spaces %1</translation>
    </message>
    <message>
        <source> ; au-delà du 6e appui, rien n&apos;est décodé</source>
        <translation>; past the 6th press nothing is decoded</translation>
    </message>
    <message>
        <source>trait/point %1</source>
        <translation>dash/dot %1</translation>
    </message>
    <message>
        <source>espace/point %1</source>
        <translation>space/dot %1</translation>
    </message>
    <message>
        <source>écart des points %1 %</source>
        <translation>dot spread %1%</translation>
    </message>
    <message>
        <source>écart des traits %1 %</source>
        <translation>dash spread %1%</translation>
    </message>
    <message>
        <source>note moyenne %1/100</source>
        <translation>mean score %1/100</translation>
    </message>
    <message>
        <source>Sur 1 signe</source>
        <translation>Over 1 sign</translation>
    </message>
    <message>
        <source>Sur %1 signes</source>
        <translation>Over %1 signs</translation>
    </message>
    <message>
        <source> : </source>
        <translation>: </translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>attendu %1</source>
        <translation>expected %1</translation>
    </message>
    <message>
        <source>attendu %1 : juste</source>
        <translation>expected %1: right</translation>
    </message>
    <message>
        <source>attendu %1, frappé %2</source>
        <translation>expected %1, keyed %2</translation>
    </message>
    <message>
        <source>?</source>
        <translation>?</translation>
    </message>
</context>
<context>
    <name>klavet::FrmAbout</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Entraînement à la télégraphie</source>
        <translation>Morse sending practice</translation>
    </message>
    <message>
        <source>Cliquer sur  le manipulateur</source>
        <translation>Click on the key</translation>
    </message>
    <message>
        <source>Calibrage</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Sélectionner l&apos;option calibrage et cliquez une dizaine de points au manipulateur. Décochez l&apos;option et commencez l&apos;entraînement.</source>
        <translation>Tick the calibration option and click about ten dots on the key. Untick it and start practising.</translation>
    </message>
    <message>
        <source>Choisir un signe.  Après avoir écouté le son correspondant, utiliser le manipulateur pour le reproduire.</source>
        <translation>Choose a sign. Once you have heard it, key it back.</translation>
    </message>
    <message>
        <source>Signes disponibles: l&apos;alphabet,les chiffres,  le séparateur  BT   point   virgule  interrogation ?  et  barre de fraction /</source>
        <translation>Signs available: the alphabet, the digits, the separator BT, full stop, comma, question mark ? and slash /</translation>
    </message>
    <message>
        <source>Logiciel libre, fourni sans garantie.</source>
        <translation>Free software, with no warranty.</translation>
    </message>
    <message>
        <source>Klavet pour Linux, par ses développeurs</source>
        <translation>Klavet for Linux, by its developers</translation>
    </message>
    <message>
        <source>À propos de %1</source>
        <translation>About %1</translation>
    </message>
</context>
<context>
    <name>klavet::FrmKlavet</name>
    <message>
        <source> Une série de points pour calibrer la vitesse  puis désactivez le calibrage </source>
        <translation> A series of dots to calibrate the speed, then untick calibration </translation>
    </message>
    <message>
        <source> Une série de points pour calibrer la vitesse puis désactivez le calibrage </source>
        <translation> A series of dots to calibrate the speed, then untick calibration </translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>erreur d&apos;écriture : %1</source>
        <translation>write error: %1</translation>
    </message>
</context>
</TS>
