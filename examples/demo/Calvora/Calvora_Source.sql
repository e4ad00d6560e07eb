-- Source database of the heating unit (Calvora_Source.mdb).
-- Source_DEFS: the variable-name template of each part per project kind.
-- Source_PRESET_DEFS: the preset definitions; its field list is the schema
-- of the generated PRESET_DEFS. part stands before var_name: record
-- generation reads a record's part when it reaches var_name.

CREATE TABLE Source_DEFS (
  System TEXT(20),
  Part SHORT,
  Var_Name TEXT(255)
);
INSERT INTO Source_DEFS (System, Part, Var_Name) VALUES
  ('VISIWIN32', 1, '###machine_HZ_###Var_Name'),
  ('VISIWIN32', 2, '###machine_HZ_Grenz_###Var_Name'),
  ('VISIWIN32', 3, '###machine_HZ_Alarm_###Var_Name'),
  ('VISIWINSTUDIO', 1, '###machine.Heizung.###Var_Name'),
  ('VISIWINSTUDIO', 2, '###machine.Heizung.Grenzwerte.###Var_Name'),
  ('VISIWINSTUDIO', 3, '###machine.Heizung.Alarme.###Var_Name');

CREATE TABLE Source_PRESET_DEFS (
  ID COUNTER,
  part SHORT,
  machine_type TEXT(50),
  type SHORT,
  var_name TEXT(100),
  category_id LONG,
  isBitArray BIT,
  offset_or_bitno LONG,
  text TEXT(255),
  page_name TEXT(50),
  abs_min DOUBLE,
  abs_max DOUBLE,
  min DOUBLE,
  max DOUBLE,
  pass SHORT
);
INSERT INTO Source_PRESET_DEFS (ID, part, machine_type, type, var_name, category_id,
  isBitArray, offset_or_bitno, text, page_name, abs_min, abs_max, min, max, pass) VALUES
  (1, 1, '###machine', 2, 'Zone1_Soll', 1, 0, 0, 'Sollwert Zone 1 [°C] (###machine)', 'Heizung', 0, 400, 20, 300, 1),
  (2, 1, '###machine', 2, 'Zone2_Soll', 1, 0, 1, 'Sollwert Zone 2 [°C] (###machine)', 'Heizung', 0, 400, 20, 300, 1),
  (3, 1, '###machine', 2, 'Zone3_Soll', 1, 0, 2, 'Sollwert Zone 3 [°C] (###machine)', 'Heizung', 0, 400, 20, 300, 1),
  (4, 1, '###machine', 2, 'Zone4_Soll', 1, 0, 3, 'Sollwert Düse [°C] (###machine)', 'Heizung', 0, 400, 20, 320, 1),
  (5, 1, '###machine', 2, 'Standby_Soll', 1, 0, 4, 'Absenktemperatur Standby [°C]', 'Heizung', 0, 250, 50, 200, 1),
  (6, 2, '###machine', 2, 'Toleranz_Oben', 2, 0, 0, 'Toleranzband oben [K]', 'Grenzwerte', 0, 50, 2, 30, 2),
  (7, 2, '###machine', 2, 'Toleranz_Unten', 2, 0, 1, 'Toleranzband unten [K]', 'Grenzwerte', 0, 50, 2, 30, 2),
  (8, 2, '###machine', 2, 'Max_Temp', 2, 0, 2, 'Übertemperatur Abschaltung [°C]', 'Grenzwerte', 100, 450, 200, 420, 3),
  (9, 2, '###machine', 2, 'Aufheizzeit_Max', 2, 0, 3, 'Maximale Aufheizzeit [min]', 'Grenzwerte', 1, 240, 10, 120, 2),
  (10, 3, '###machine', 1, 'Alarm_Freigabe', 3, -1, 5, 'Temperaturalarm ###machine freigegeben', 'Alarme', 0, 1, 0, 1, 3);
